#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>

#include <sys/types.h>

#include <optional>

class QLocalSocket;

// Keeps a second copy of the program from running beside this one. The name
// lives in the abstract socket namespace: it leaves no file behind and the
// kernel frees it when the process ends, however it ended.
//
// The holder also listens on the name: a second start asks it to bring its
// window forward, which is the only way back to a window hidden into a tray
// that has gone, or minimised on a desktop without a taskbar.
class SingleInstanceGuard : public QObject
{
    Q_OBJECT
public:
    enum class Result {
        Acquired,  // this process now holds the name
        Busy,  // another running copy of this user holds it
        Unprotected,  // the guard could not be set up, or another user
                      // holds the name; start anyway
    };

    explicit SingleInstanceGuard(const QString &baseName, QObject *parent = nullptr);
    Result acquire();
    QString name() const { return m_name; }

    // From a refused start: asks the holder to show its window. Returns at
    // once; the request goes out while the event loop runs (the refusal's
    // message box), and is dropped if the holder does not take it.
    void askHolderToShow();

    // The request a second start writes; anything else is ignored.
    static QByteArray showRequest() { return QByteArrayLiteral("show\n"); }

signals:
    // A second start of the same user asked for the window.
    void showRequested();

private:
    // The user whose process listens on the name, if it answers.
    std::optional<uid_t> holderUser() const;
    void onNewConnection();
    void readRequest(QLocalSocket *peer);

    QString m_name;
    QLocalServer m_server;
};
