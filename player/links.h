#pragma once

#include <QString>
#include <QUrl>

#include <functional>

// The addresses and files the program hands to the desktop: the download
// page and the help file. Nothing here reports a failure; whatever the
// desktop shows on its own is not the program's.
namespace Links {

QUrl downloadPage();

// The help file in `folder`: "ajuda.CHM" looked up without regard to
// letter case; empty when the folder has none.
QString helpFileIn(const QString &folder);

// Opens `url` with the user's chosen program (QDesktopServices).
void open(const QUrl &url);

// Tests put a double in place of the desktop; an empty one restores it.
using Opener = std::function<void(const QUrl &)>;
void setOpener(Opener opener);

}  // namespace Links
