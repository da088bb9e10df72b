#include "news/webenginesetup.h"

#include <QQuickWindow>
#include <QSGRendererInterface>

void WebEngineSetup::beforeApplication()
{
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
}
