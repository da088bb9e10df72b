#include "news/noticia.h"

TBrowseNoticia::TBrowseNoticia(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("BrowseNoticia"));
}
