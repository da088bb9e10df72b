#pragma once

// The layouts are drawn in Tahoma. Debian ships a metric twin of it with
// Wine's fonts (package fonts-wine), outside fontconfig's folders: it is
// taken in once per process, unless the desktop offers a Tahoma already.
namespace AppFonts {
void ensureTahoma();
}  // namespace AppFonts
