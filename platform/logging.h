#pragma once

#include <QLoggingCategory>

// Support logs, one category per concern. All are off by default; a support
// person turns them on with QT_LOGGING_RULES='brelo.*=true'. A line names at
// most an address and a reason, never anything else the user did.
Q_DECLARE_LOGGING_CATEGORY(lcApp)  // brelo.app: start-up, windows, exit
Q_DECLARE_LOGGING_CATEGORY(lcPlayer)  // brelo.player: the main window, its menu and modes
Q_DECLARE_LOGGING_CATEGORY(lcCatalogue)  // brelo.catalogue: the channel list
Q_DECLARE_LOGGING_CATEGORY(lcMedia)  // brelo.media: the engine, streams and playlists
Q_DECLARE_LOGGING_CATEGORY(lcNews)  // brelo.news: the news browser
Q_DECLARE_LOGGING_CATEGORY(lcAbout)  // brelo.about: the About window
Q_DECLARE_LOGGING_CATEGORY(
    lcDesktop)  // brelo.desktop: the desktop's media controls (MPRIS), remembered volume
