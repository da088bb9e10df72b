#pragma once

#include <QObject>

// What the engine is doing, and why it stopped: codes only. StatusTexts
// words them for the listener.
namespace Engine {
Q_NAMESPACE

// Reconnecting: the stream broke off after sound flowed and the engine
// opens it again by itself, for as long as the channel stays chosen.
enum class Status { Idle, Connecting, Buffering, Playing, Paused, Stopped, Failed, Reconnecting };
Q_ENUM_NS(Status)

// Why playback stopped or failed; None while all is well.
enum class Reason {
    None,
    NoAnswer,  // the station accepted nothing or sent nothing in time
    Unreachable,  // refused, not found, or nothing playable behind it
    PlaylistUnreadable,
    ConnectionLost,  // the stream broke off while sound flowed
    BroadcastEnded,  // the station closed the stream in good order
    EngineUnavailable,  // the playing library could not be started
};
Q_ENUM_NS(Reason)

// The engine is at work on a station: connecting to it, filling the buffer,
// sounding or winning it back. Choosing that station again, or Play, must
// leave it alone; Pause and Stop have something to end.
constexpr bool isActive(Status s)
{
    return s == Status::Connecting || s == Status::Buffering || s == Status::Playing
        || s == Status::Reconnecting;
}

}  // namespace Engine
