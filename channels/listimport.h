#pragma once

#include "catalogue/listenerlistparser.h"

#include <QObject>
#include <QPointer>

#include <functional>

class QNetworkAccessManager;
class QNetworkReply;

// Reads a channel list from a file or an http(s) address, off the
// user-interface thread, and says in Portuguese what came of it. Whatever
// is not a list (a web page, a binary file, an empty or endless answer, a
// server that never answers, a redirect loop, too many entries) ends in
// `failed` and brings nothing.
class ListImport : public QObject
{
    Q_OBJECT
public:
    // `network` is shared with the caller; the answer must come within
    // `timeoutMs` of no progress.
    explicit ListImport(QNetworkAccessManager *network, int timeoutMs = 20000, QObject *parent = nullptr);

    // One import at a time: a new start drops the one under way.
    void start(const QString &source);
    bool busy() const { return !m_reply.isNull() || m_reading; }

signals:
    void finished(const ListenerList::Parsed &list);
    void failed(const QString &message);

private:
    // Reads with `read`, then parses, on a worker thread; answers here.
    void readOffThread(std::function<QByteArray(QString &error)> read);
    void replyFinished(QNetworkReply *reply);

    QNetworkAccessManager *m_network;
    int m_timeoutMs;
    QPointer<QNetworkReply> m_reply;
    bool m_reading = false;
    int m_generation = 0;
};
