#pragma once

#include <QObject>
#include <QString>
#include <QUdpSocket>

// A name server on 127.0.0.1:53 that reads every question and answers none:
// glibc's resolver then holds whoever asks for its whole time-out. Usable
// only in a mount namespace whose /etc/resolv.conf is the silent one that
// brelo_add_silent_dns_test() binds over it.
class SilentNameServer : public QObject
{
    Q_OBJECT
public:
    // Whether this process sees the silent resolv.conf (else: skip).
    static bool resolverIsSilent();

    bool start();
    int questions() const { return m_questions; }

private:
    QUdpSocket m_socket;
    int m_questions = 0;
};
