#pragma once

#include <QLocalServer>
#include <QString>

// Keeps a second copy of the program from running beside this one. The name
// lives in the abstract socket namespace: it leaves no file behind and the
// kernel frees it when the process ends, however it ended.
class SingleInstanceGuard
{
public:
    enum class Result {
        Acquired,  // this process now holds the name
        Busy,  // another running copy holds it
        Unprotected,  // the guard could not be set up; start anyway
    };

    explicit SingleInstanceGuard(const QString &baseName);
    Result acquire();
    QString name() const { return m_name; }

private:
    QString m_name;
    QLocalServer m_server;
};
