#pragma once

#include <QByteArray>
#include <QString>

// SHOUTcast/Icecast in-band metadata: with "Icy-MetaData: 1" asked for, the
// server puts a length byte and a metadata block after every `icy-metaint`
// bytes of audio. Pure functions and a byte-fed splitter, no network.
namespace Icy {

// The longest title passed on; stations stuff adverts into titles.
inline constexpr int kMaxTitleLength = 256;

// The StreamTitle of one metadata block ("StreamTitle='A - B';StreamUrl='';"),
// as plain text with control characters taken out; null when the block
// names no title.
QString streamTitle(const QByteArray &block);

// A header's value (icy-name) as plain text: UTF-8 when valid, else
// Latin-1, which older servers send.
QString headerText(const QByteArray &value);

// Splits a stream's bytes into audio and metadata blocks, whatever the
// chunk boundaries.
class Splitter
{
public:
    // `metaInt` 0 or less: the stream carries no metadata.
    explicit Splitter(int metaInt = 0);

    // The audio bytes of `chunk`, metadata taken out.
    QByteArray feed(const QByteArray &chunk);

    // The newest title seen since the last call; false when none came.
    bool takeTitle(QString *title);

private:
    int m_metaInt;
    int m_audioLeft;
    int m_metaLeft = -1;  // -1: expecting audio or the length byte
    QByteArray m_block;
    QString m_title;
    bool m_newTitle = false;
};

}  // namespace Icy
