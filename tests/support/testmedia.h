#pragma once

#include <QByteArray>

// Encoded test sound, made on the spot by the playing library's own
// encoders (no outside tool, nothing shipped): a stereo tone at 44.1 kHz.
namespace TestMedia {

enum class Codec {
    Mp3,  // MPEG-1 layer III, bare frames
    AacAdts,  // AAC-LC in ADTS frames, as stations serve "audio/aac"
    OggVorbis,
    OggOpus,
    WmaAsf,  // WMA 2 in an ASF container
    AacTs,  // AAC-LC in MPEG-TS, as HLS segments carry it
};

// Empty when the library cannot encode it on this machine.
QByteArray encode(Codec codec, double toneHz, int seconds, int kbps = 96);

// The ADTS stream carried in an MPEG-TS file's audio packets.
QByteArray adtsFromTs(const QByteArray &ts);

}  // namespace TestMedia
