#pragma once

#include <QDialog>

// The About window.
class Tfsobre : public QDialog
{
    Q_OBJECT
public:
    explicit Tfsobre(QWidget *parent = nullptr);
};
