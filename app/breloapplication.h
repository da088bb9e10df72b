#pragma once

#include <QApplication>
#include <QString>

// The application object: its title, its help file, and the last guard that
// keeps an error from crossing Qt's event dispatch.
class BreloApplication : public QApplication
{
    Q_OBJECT
public:
    BreloApplication(int &argc, char **argv);

    void setHelpFile(const QString &name) { m_helpFile = name; }
    QString helpFile() const { return m_helpFile; }

    bool notify(QObject *receiver, QEvent *event) override;

private:
    QString m_helpFile;
};
