#pragma once

#include "media/mediaengine.h"

#include <QString>

// The engine's states and reasons in the words the listener reads. The
// engine itself only ever reports codes; every Portuguese status text lives
// here.
namespace StatusTexts {

// `percent` is the buffer's fill while buffering, ignored otherwise.
QString text(MediaEngine::Status status, MediaEngine::Reason reason = MediaEngine::Reason::None,
             int percent = 0);

}  // namespace StatusTexts
