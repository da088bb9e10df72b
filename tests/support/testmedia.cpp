#include "support/testmedia.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QtEndian>

#include <vlc/vlc.h>

#include <cmath>

namespace TestMedia {

namespace {

QByteArray wavTone(double hz, int seconds)
{
    const int rate = 44100, frames = rate * seconds;
    QByteArray pcm(frames * 4, Qt::Uninitialized);
    auto *out = reinterpret_cast<qint16 *>(pcm.data());
    for (int i = 0; i < frames; ++i)
        out[2 * i] = out[2 * i + 1] = qToLittleEndian(qint16(12000 * std::sin(2 * M_PI * hz * i / rate)));
    QByteArray h(44, '\0');
    char *p = h.data();
    memcpy(p, "RIFF", 4);
    qToLittleEndian<quint32>(36 + pcm.size(), p + 4);
    memcpy(p + 8, "WAVEfmt ", 8);
    qToLittleEndian<quint32>(16, p + 16);
    qToLittleEndian<quint16>(1, p + 20);
    qToLittleEndian<quint16>(2, p + 22);
    qToLittleEndian<quint32>(rate, p + 24);
    qToLittleEndian<quint32>(rate * 4, p + 28);
    qToLittleEndian<quint16>(4, p + 32);
    qToLittleEndian<quint16>(16, p + 34);
    memcpy(p + 36, "data", 4);
    qToLittleEndian<quint32>(pcm.size(), p + 40);
    return h + pcm;
}

QByteArray transcode(const QByteArray &wav, const char *acodec, const char *mux, int kbps)
{
    QTemporaryDir dir;
    const QString in = dir.filePath(QStringLiteral("in.wav")), out = dir.filePath(QStringLiteral("out"));
    QFile f(in);
    if (!f.open(QIODevice::WriteOnly) || f.write(wav) != wav.size())
        return {};
    f.close();
    const char *args[] = {"--quiet", "--no-video", "--no-lua"};
    libvlc_instance_t *vlc = libvlc_new(3, args);
    if (!vlc)
        return {};
    libvlc_media_t *media = libvlc_media_new_path(vlc, in.toUtf8().constData());
    const QByteArray sout = QByteArray(":sout=#transcode{acodec=") + acodec
        + ",ab=" + QByteArray::number(kbps) + ",channels=2,samplerate=44100}:std{access=file,mux=" + mux
        + ",dst=" + out.toUtf8() + "}";
    libvlc_media_add_option(media, sout.constData());
    libvlc_media_player_t *player = libvlc_media_player_new_from_media(media);
    libvlc_media_release(media);
    libvlc_media_player_play(player);
    // Encoding to a file runs as fast as the machine goes.
    const QDeadlineTimer deadline(30000);
    for (;;) {
        const libvlc_state_t s = libvlc_media_player_get_state(player);
        if (s == libvlc_Ended || s == libvlc_Error || deadline.hasExpired())
            break;
        QThread::msleep(20);
    }
    libvlc_media_player_stop(player);
    libvlc_media_player_release(player);
    libvlc_release(vlc);
    QFile result(out);
    return result.open(QIODevice::ReadOnly) ? result.readAll() : QByteArray();
}

}  // namespace

QByteArray adtsFromTs(const QByteArray &ts)
{
    QByteArray out;
    int audioPid = -1;
    const auto *b = reinterpret_cast<const uchar *>(ts.constData());
    for (qsizetype i = 0; i + 188 <= ts.size(); i += 188) {
        if (b[i] != 0x47)
            return {};
        const bool unitStart = b[i + 1] & 0x40;
        const int pid = ((b[i + 1] & 0x1f) << 8) | b[i + 2];
        const int control = (b[i + 3] >> 4) & 3;
        qsizetype p = i + 4;
        if (control & 2)
            p += 1 + b[p];
        if (!(control & 1) || p >= i + 188)
            continue;
        if (unitStart && b[p] == 0 && b[p + 1] == 0 && b[p + 2] == 1 && (b[p + 3] & 0xe0) == 0xc0) {
            audioPid = pid;
            p += 9 + b[p + 8];  // the PES header
        }
        if (pid == audioPid && p < i + 188)
            out.append(ts.constData() + p, i + 188 - p);
    }
    return out;
}

QByteArray encode(Codec codec, double toneHz, int seconds, int kbps)
{
    const QByteArray wav = wavTone(toneHz, seconds);
    switch (codec) {
    case Codec::Mp3: return transcode(wav, "mp3", "raw", kbps);
    case Codec::AacAdts: return adtsFromTs(transcode(wav, "mp4a", "ts", kbps));
    case Codec::OggVorbis: return transcode(wav, "vorb", "ogg", kbps);
    case Codec::OggOpus: return transcode(wav, "opus", "ogg", kbps);
    case Codec::WmaAsf: return transcode(wav, "wma2", "asf", kbps);
    case Codec::AacTs: return transcode(wav, "mp4a", "ts", kbps);
    }
    return {};
}

}  // namespace TestMedia
