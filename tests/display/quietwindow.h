#pragma once

#include "media/mediaengine.h"
#include "platform/errors.h"
#include "player/principal.h"

#include <memory>

// The main window as the placement tests drive it: created and through its
// creation steps, its engine without a picture, errors only swallowed.
inline std::unique_ptr<TFormPrincipal> createQuietMainWindow()
{
    MediaEngine::Options o = MediaEngine::defaultOptions();
    o.video = false;
    MediaEngine::setDefaultOptions(o);
    Errors::setErrorReporter([](const QString &) {});
    auto w = std::make_unique<TFormPrincipal>();
    w->FormCreate();
    return w;
}
