#include "media/statustexts.h"

namespace StatusTexts {

namespace {

QString reasonText(Engine::Reason reason)
{
    using R = Engine::Reason;
    switch (reason) {
    case R::None: return {};
    case R::NoAnswer: return QStringLiteral("A estação não responde");
    case R::Unreachable: return QStringLiteral("Não foi possível conectar à estação");
    case R::PlaylistUnreadable: return QStringLiteral("A lista de reprodução não pôde ser lida");
    case R::ConnectionLost: return QStringLiteral("A conexão com a estação foi perdida");
    case R::BroadcastEnded: return QStringLiteral("A transmissão terminou");
    case R::EngineUnavailable: return QStringLiteral("O player de mídia não pôde ser iniciado");
    }
    return {};
}

}  // namespace

QString text(Engine::Status status, Engine::Reason reason, int detail, bool compact)
{
    using S = Engine::Status;
    if (status == S::Reconnecting) {
        const QString word = QStringLiteral("Reconectando…");
        return compact || detail <= 0 ? word : QStringLiteral("%1 (tentativa %2)").arg(word).arg(detail);
    }
    // A reason says more than the bare state: "stopped" because the
    // broadcast ended, "failed" because the station did not answer.
    if (reason != Engine::Reason::None)
        return reasonText(reason);
    switch (status) {
    case S::Idle: return {};
    case S::Connecting: return QStringLiteral("Conectando...");
    case S::Buffering: return QStringLiteral("Armazenando em buffer: %1%").arg(detail);
    case S::Playing: return QStringLiteral("Reproduzindo");
    case S::Paused: return QStringLiteral("Pausado");
    case S::Stopped: return QStringLiteral("Parado");
    case S::Failed: return reasonText(Engine::Reason::Unreachable);
    case S::Reconnecting: break;
    }
    return {};
}

}  // namespace StatusTexts
