#include "about/formsobre.h"

Tfsobre::Tfsobre(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About"));
}
