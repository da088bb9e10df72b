// Display modes, corner placement, screen clamp, stay-on-top and focus.
#include "player/principal.h"

#include "media/mediaengine.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>

void TFormPrincipal::setOuterSize(int width, int height)
{
    resize(width, height);
}

void TFormPrincipal::cornerPlacement()
{
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    move(screen.width() - width(), screen.height() - height());
}

void TFormPrincipal::screenClamp() {}
void TFormPrincipal::requestStayOnTop() {}

void TFormPrincipal::ModoNormal1Click() {}
void TFormPrincipal::ModoMaior1Click() {}
void TFormPrincipal::ModoTelaCheia1Click() {}
void TFormPrincipal::ModoRdio1Click() {}

void TFormPrincipal::FormShow()
{
    cornerPlacement();
}

void TFormPrincipal::FormActivate() {}
void TFormPrincipal::FormMouseMove() {}

bool TFormPrincipal::event(QEvent *e)
{
    if (menuWindowEvent(e))
        return true;
    return QWidget::event(e);
}

void TFormPrincipal::showEvent(QShowEvent *e)
{
    FormShow();
    QWidget::showEvent(e);
}

void TFormPrincipal::moveEvent(QMoveEvent *e)
{
    QWidget::moveEvent(e);
}

void TFormPrincipal::mouseMoveEvent(QMouseEvent *e)
{
    QWidget::mouseMoveEvent(e);
}
