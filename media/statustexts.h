#pragma once

#include "media/mediaengine.h"

#include <QString>

// The engine's states and reasons in the words the listener reads. The
// engine itself only ever reports codes; every Portuguese status text lives
// here.
namespace StatusTexts {

// `detail` is the buffer's fill while buffering, the attempt while
// reconnecting. `compact`: the wording for the compact controls.
QString text(MediaEngine::Status status, MediaEngine::Reason reason = MediaEngine::Reason::None,
             int detail = 0, bool compact = false);

}  // namespace StatusTexts
