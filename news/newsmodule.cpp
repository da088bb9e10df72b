#include "news/newsmodule.h"

#include "news/noticia.h"

QDialog *breloCreateNewsWindow(QWidget *parent)
{
    return new TBrowseNoticia(parent);
}
