#pragma once

#include "media/icymetadata.h"

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <atomic>
#include <functional>
#include <memory>

class QSslSocket;

// Reads one HTTP or HTTPS stream itself, asking for in-band titles, and
// hands on the audio alone. The playing library drops ICY titles on HTTPS,
// so for those streams it reads through this instead of its own access.
//
// Blocking by design: every call but cancel() runs on the one thread that
// the library reads from (never a Qt thread with an event loop to keep).
class IcyReader
{
public:
    static constexpr int kMaxRedirects = 5;
    static constexpr int kMaxHeaderBytes = 16 * 1024;

    IcyReader(const QUrl &url, int timeoutMs, const QByteArray &userAgent);
    ~IcyReader();

    // Connects, follows redirects and reads the answer's headers; false
    // when no stream answered in time.
    bool open();
    // At least one byte of audio, waiting for it as long as the station
    // takes: 0 at the stream's end, -1 on an error or once cancelled.
    qint64 read(char *buffer, qint64 max);
    // Any thread: the next (or current) wait gives up at once.
    void cancel();

    // Called on the reading thread for each new title; `icy-name` first
    // when the station sends one.
    std::function<void(const QString &title)> onTitle;
    std::function<void(const QString &name)> onStationName;
    // Sent as "Referer" when set.
    QByteArray referrer;

private:
    bool connectTo(const QUrl &url);
    bool readHeaders(QByteArray *headers);
    bool waitFor(const std::function<bool()> &done, int timeoutMs);

    QUrl m_url;
    int m_timeoutMs;
    QByteArray m_userAgent;
    std::unique_ptr<QSslSocket> m_socket;
    QByteArray m_pending;  // body bytes read along with the headers
    Icy::Splitter m_splitter;
    QByteArray m_audio;  // split out, not yet handed on
    std::atomic<bool> m_cancelled{false};
};
