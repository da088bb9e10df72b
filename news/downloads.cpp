#include "news/downloads.h"

#include "platform/logging.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>
#include <QWebEngineDownloadRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWidget>

namespace {

// Why a download stopped, in the user's words; the engine's own text is in
// English and, after its retries, often names the wrong cause.
QString failureText(QWebEngineDownloadRequest::DownloadInterruptReason reason)
{
    using R = QWebEngineDownloadRequest;
    if (reason >= R::NetworkFailed && reason < R::ServerFailed)
        return QStringLiteral("a conexão foi interrompida");
    if (reason >= R::ServerFailed && reason < R::UserCanceled)
        return QStringLiteral("o servidor não entregou o arquivo");
    if (reason >= R::FileFailed && reason < R::NetworkFailed)
        return QStringLiteral("não foi possível gravar o arquivo");
    return QStringLiteral("o download foi interrompido");
}

}  // namespace

PageDownloads::PageDownloads(QWebEnginePage *page, QWidget *window)
    : QObject(page), m_page(page), m_window(window)
{
    // The profile is shared by every page of the program; each page's
    // downloads belong to the window that shows it.
    connect(page->profile(), &QWebEngineProfile::downloadRequested, this, &PageDownloads::onRequested);
}

QString PageDownloads::defaultFolder()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    return folder.isEmpty() ? QDir::homePath() : folder;
}

void PageDownloads::cancel()
{
    if (m_running)
        m_running->cancel();
}

void PageDownloads::onRequested(QWebEngineDownloadRequest *download)
{
    if (download->page() != m_page)
        return;

    const QString name = download->downloadFileName();
    // Nobody asked for a download the hidden window's page starts by
    // itself, and nobody would be there to say where it goes.
    if (!m_window || !m_window->isVisible()) {
        qCDebug(lcNews) << "download refused while the window is hidden:" << download->url().toString();
        download->cancel();
        return;
    }
    // After a network failure the engine starts the same download again
    // as a request of its own: it goes where the user said the first time.
    if (m_running && download->id() == m_running->id()) {
        qCDebug(lcNews) << "download retried by the engine:" << download->url().toString();
        download->setDownloadDirectory(m_running->downloadDirectory());
        download->setDownloadFileName(m_running->downloadFileName());
        disconnect(m_running, nullptr, this, nullptr);
        follow(download);
        download->accept();
        return;
    }
    // A request that comes while the user is still asked about another one
    // (a double click on a link) would open a second dialog inside the
    // first, and the first download would lose the progress panel.
    if (m_running || m_asking) {
        const QString other = m_running ? m_running->downloadFileName() : m_askedName;
        qCDebug(lcNews) << "download refused, another one runs or is being asked for:"
                        << download->url().toString();
        emit statusText(QStringLiteral("Aguarde o fim do download de %1").arg(other));
        download->cancel();
        return;
    }

    // The engine takes the decision when this handler returns, so the
    // dialog runs here, modal to the news window.
    QPointer<QWebEngineDownloadRequest> guard(download);
    QFileDialog dialog(m_window, QStringLiteral("Salvar arquivo"), QDir(defaultFolder()).filePath(name));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    m_asking = true;
    m_askedName = name;
    const bool chosen = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
    m_asking = false;
    if (!guard)
        return;
    if (!chosen) {
        qCDebug(lcNews) << "download not saved, the user declined:" << download->url().toString();
        download->cancel();
        return;
    }
    const QFileInfo target(dialog.selectedFiles().constFirst());
    download->setDownloadDirectory(target.absolutePath());
    download->setDownloadFileName(target.fileName());
    follow(download);
    download->accept();
    qCDebug(lcNews) << "download started:" << download->url().toString();
}

void PageDownloads::follow(QWebEngineDownloadRequest *download)
{
    m_running = download;
    const QString name = download->downloadFileName();
    auto report = [this, download] {
        emit progress(download->receivedBytes(), download->totalBytes() > 0 ? download->totalBytes() : -1);
    };
    connect(download, &QWebEngineDownloadRequest::receivedBytesChanged, this, report);
    connect(download, &QWebEngineDownloadRequest::totalBytesChanged, this, report);
    connect(download, &QWebEngineDownloadRequest::stateChanged, this,
            [this, download, name](QWebEngineDownloadRequest::DownloadState state) {
                switch (state) {
                case QWebEngineDownloadRequest::DownloadRequested:
                case QWebEngineDownloadRequest::DownloadInProgress: return;
                case QWebEngineDownloadRequest::DownloadCompleted:
                    emit statusText(QStringLiteral("Download concluído: %1")
                                        .arg(QDir(download->downloadDirectory()).filePath(name)));
                    break;
                case QWebEngineDownloadRequest::DownloadCancelled:
                    emit statusText(QStringLiteral("Download cancelado: %1").arg(name));
                    break;
                case QWebEngineDownloadRequest::DownloadInterrupted:
                    qCDebug(lcNews) << "download failed:" << download->url().toString()
                                    << download->interruptReasonString();
                    emit statusText(QStringLiteral("Falha no download de %1: %2")
                                        .arg(name, failureText(download->interruptReason())));
                    break;
                }
                disconnect(download, nullptr, this, nullptr);
                m_running = nullptr;
                emit ended();
            });
    emit statusText(QStringLiteral("Baixando %1 (clique na barra de progresso para cancelar)").arg(name));
    report();
}
