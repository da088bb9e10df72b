#include "app/windows.h"

#include "about/formsobre.h"
#include "news/noticia.h"
#include "player/principal.h"

TFormPrincipal *FormPrincipal = nullptr;
Tfsobre *fsobre = nullptr;
TBrowseNoticia *BrowseNoticia = nullptr;

void createWindows()
{
    // The main window's handlers may reach it through the global while its
    // own creation steps run, so it is assigned before they do.
    FormPrincipal = new TFormPrincipal;
    FormPrincipal->FormCreate();
    fsobre = new Tfsobre(FormPrincipal);
    BrowseNoticia = new TBrowseNoticia(FormPrincipal);
}
