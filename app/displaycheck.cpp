#include "app/displaycheck.h"

#include <QByteArray>
#include <QList>
#include <xcb/xcb.h>

namespace DisplayCheck {

namespace {

// Whether Qt will use its X11 platform: chosen by name, or by default.
bool wantsX11()
{
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    // The name may carry options after a colon ("xcb:...").
    return platform.isEmpty() || platform.split(':').first() == "xcb";
}

}  // namespace

std::optional<std::string> missingDisplay()
{
    if (!wantsX11())
        return std::nullopt;
    const QByteArray display = qgetenv("DISPLAY");
    if (display.isEmpty()) {
        if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
            return std::string(
                "O Brelo Player precisa do X11, e esta sessão Wayland não oferece uma tela X11 "
                "(a variável DISPLAY não está definida). Instale e ative o XWayland (pacote "
                "xwayland) e abra o programa novamente.");
        return std::string("O Brelo Player precisa de uma tela X11, e nenhuma foi encontrada (as variáveis "
                           "DISPLAY e WAYLAND_DISPLAY não estão definidas). Abra o programa dentro de uma "
                           "sessão gráfica.");
    }
    // Connecting costs a millisecond and tells the same as Qt would find:
    // a server that is gone, or one that refuses this user.
    xcb_connection_t *c = xcb_connect(display.constData(), nullptr);
    const bool reached = xcb_connection_has_error(c) == 0;
    xcb_disconnect(c);
    if (reached)
        return std::nullopt;
    return "O Brelo Player não conseguiu se conectar à tela X11 \"" + display.toStdString()
        + "\". Verifique se a sessão gráfica (ou o XWayland) está em execução e se este usuário "
          "tem permissão para usá-la.";
}

}  // namespace DisplayCheck
