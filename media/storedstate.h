#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The engine's persisted initial state: the 164-byte block the window layout
// carries for the player control. Read-only: nothing is ever saved back.
//
// Little-endian: a 32-bit format version (0x300), then 23 values each led
// by a 16-bit type tag, then the control's extent (width, height) in
// hundredths of a millimetre without a tag.
class StoredState
{
public:
    static constexpr int kSize = 164;
    static constexpr quint32 kVersion = 0x300;

    enum Tag : quint16 { Int32 = 3, Double = 5, Text = 8, Bool = 11 };

    QString url;
    double rate = 1.0;
    qint32 balance = 0;
    double currentPosition = 0.0;
    QString defaultFrame;
    qint32 playCount = 1;
    bool autoStart = true;
    qint32 currentMarker = 0;
    bool invokeURLs = true;
    QString baseURL;
    qint32 volume = 100;
    bool mute = false;
    QString uiMode = QStringLiteral("mini");
    bool stretchToFit = false;
    bool windowlessVideo = false;
    bool enabled = true;
    bool enableContextMenu = false;
    bool fullScreen = false;
    QString samiStyle;
    QString samiLang;
    QString samiFilename;
    QString captioningID;
    bool enableErrorDialogs = false;
    qint32 extentWidth = 4286;  // 162 px at 96 dpi
    qint32 extentHeight = 4895;  // 185 px at 96 dpi

    // Parses the block; throws ControlError naming the offset and what was
    // expected there. Never reads outside `block`.
    static StoredState parse(const QByteArray &block);
    // The same from the layout's hexadecimal text (blanks allowed).
    static StoredState fromHex(const QString &hex);

    // The presentations `uiMode` may name, lower-case.
    static const QStringList &uiModes();

    // The block as the layout stores it, for round trips in tests.
    QByteArray serialize() const;
};
