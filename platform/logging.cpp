#include "platform/logging.h"

// QtCriticalMsg as the threshold keeps debug, info and warning lines quiet
// until a rule turns them on.
Q_LOGGING_CATEGORY(lcApp, "brelo.app", QtCriticalMsg)
Q_LOGGING_CATEGORY(lcPlayer, "brelo.player", QtCriticalMsg)
Q_LOGGING_CATEGORY(lcCatalogue, "brelo.catalogue", QtCriticalMsg)
Q_LOGGING_CATEGORY(lcMedia, "brelo.media", QtCriticalMsg)
Q_LOGGING_CATEGORY(lcNews, "brelo.news", QtCriticalMsg)
Q_LOGGING_CATEGORY(lcAbout, "brelo.about", QtCriticalMsg)
Q_LOGGING_CATEGORY(lcDesktop, "brelo.desktop", QtCriticalMsg)
