#pragma once

class DesktopControls;
class TFormPrincipal;

// The desktop's media controls over the main window's playback model; the
// desktop's requests for the window and for the program's end reach the
// window's own commands. A child of the window.
DesktopControls *bindDesktopControls(TFormPrincipal *main);
