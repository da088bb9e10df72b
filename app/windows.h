#pragma once

class TFormPrincipal;
class Tfsobre;
class TBrowseNoticia;

// The program's three windows, created once at start-up in this order and
// living until the process ends.
extern TFormPrincipal *FormPrincipal;
extern Tfsobre *fsobre;
extern TBrowseNoticia *BrowseNoticia;

// Creates the three windows, hidden, in their order.
void createWindows();
