#pragma once

#include "media/enginestatus.h"

#include <QString>

// The engine's states and reasons in the words the listener reads. The
// engine itself only ever reports codes; every Portuguese status text lives
// here.
namespace StatusTexts {

// `detail` is the buffer's fill while buffering, the attempt while
// reconnecting. `compact`: the wording for the compact controls.
QString text(Engine::Status status, Engine::Reason reason = Engine::Reason::None, int detail = 0,
             bool compact = false);

}  // namespace StatusTexts
