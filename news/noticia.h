#pragma once

#include <QDialog>

// The news browser window.
class TBrowseNoticia : public QDialog
{
    Q_OBJECT
public:
    explicit TBrowseNoticia(QWidget *parent = nullptr);
};
