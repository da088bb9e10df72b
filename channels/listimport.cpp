#include "channels/listimport.h"

#include "platform/logging.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QThreadPool>
#include <QUrl>

namespace {

constexpr int kMaxRedirects = 5;

QString notAList(const QString &why)
{
    return QStringLiteral("Não é uma lista de canais (%1). Nada foi alterado.").arg(why);
}

// Read and parse off the user-interface thread: the verdict, in Portuguese.
QString verdict(const ListenerList::Parsed &p, const QByteArray &bytes)
{
    if (bytes.size() > ListenerList::maxBytes)
        return QStringLiteral("A lista tem mais de %1 MiB e não foi importada. Nada foi alterado.")
            .arg(ListenerList::maxBytes / (1024 * 1024));
    if (p.cut)
        return QStringLiteral("A lista tem mais de %1 canais e não foi importada. Nada foi alterado.")
            .arg(ListenerList::maxRows);
    // A web page (a login or error page in place of the list) may hold a
    // line that reads as an address: it is still no list.
    const QByteArray head = bytes.left(512).trimmed().toLower();
    if (head.startsWith("<!doctype html") || head.contains("<html"))
        return notAList(QStringLiteral("uma página da web"));
    if (!p.rows.isEmpty())
        return {};
    if (head.isEmpty())
        return notAList(QStringLiteral("resposta vazia"));
    if (bytes.contains('\0') || p.reasons.value(0).startsWith(QLatin1String("not UTF-8")))
        return notAList(QStringLiteral("um arquivo binário"));
    if (p.skipped > 0)
        return notAList(QStringLiteral("%1 endereços que não são de rede").arg(p.skipped));
    return notAList(QStringLiteral("nenhum canal encontrado"));
}

}  // namespace

ListImport::ListImport(QNetworkAccessManager *network, int timeoutMs, QObject *parent)
    : QObject(parent), m_network(network), m_timeoutMs(timeoutMs)
{ }

void ListImport::start(const QString &source)
{
    ++m_generation;
    if (m_reply)
        m_reply->abort();
    const QString trimmed = source.trimmed();
    const QUrl url(trimmed);
    const QString scheme = url.scheme().toLower();
    if (scheme == u"http" || scheme == u"https") {
        qCDebug(lcCatalogue) << "import from" << url.toDisplayString(QUrl::RemoveUserInfo);
        QNetworkRequest request(url);
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                             QNetworkRequest::NoLessSafeRedirectPolicy);
        request.setMaximumRedirectsAllowed(kMaxRedirects);
        request.setTransferTimeout(m_timeoutMs);
        QNetworkReply *reply = m_network->get(request);
        m_reply = reply;
        // An endless or huge answer is cut as soon as it is too big.
        connect(reply, &QNetworkReply::downloadProgress, this, [this, reply](qint64 received, qint64 total) {
            if (received > ListenerList::maxBytes || total > ListenerList::maxBytes) {
                reply->setProperty("tooBig", true);
                reply->abort();
            }
        });
        connect(reply, &QNetworkReply::finished, this, [this, reply] { replyFinished(reply); });
        return;
    }
    const QString path = url.isLocalFile() ? url.toLocalFile() : trimmed;
    if (path.isEmpty() || (!scheme.isEmpty() && !url.isLocalFile())) {
        emit failed(QStringLiteral("Informe um arquivo ou um endereço http(s)."));
        return;
    }
    qCDebug(lcCatalogue) << "import from the file" << path;
    readOffThread([path](QString &error) {
        QFile file(path);
        if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
            error = QStringLiteral("Não foi possível ler o arquivo %1.").arg(path);
            return QByteArray();
        }
        return file.read(ListenerList::maxBytes + 1);
    });
}

void ListImport::replyFinished(QNetworkReply *reply)
{
    reply->deleteLater();
    if (reply != m_reply)
        return;
    m_reply.clear();
    if (reply->property("tooBig").toBool()) {
        emit failed(QStringLiteral("A lista tem mais de %1 MiB e não foi importada. Nada foi alterado.")
                        .arg(ListenerList::maxBytes / (1024 * 1024)));
        return;
    }
    if (reply->error() != QNetworkReply::NoError) {
        qCDebug(lcCatalogue) << "import failed:" << reply->error() << reply->errorString();
        QString why;
        switch (reply->error()) {
        case QNetworkReply::TooManyRedirectsError:
        case QNetworkReply::InsecureRedirectError:
            why = QStringLiteral("o endereço redireciona sem fim");
            break;
        case QNetworkReply::OperationCanceledError:
        case QNetworkReply::TimeoutError: why = QStringLiteral("o servidor não respondeu a tempo"); break;
        default: why = reply->errorString();
        }
        emit failed(QStringLiteral("Não foi possível baixar a lista: %1. Nada foi alterado.").arg(why));
        return;
    }
    readOffThread([bytes = reply->readAll()](QString &) { return bytes; });
}

void ListImport::readOffThread(std::function<QByteArray(QString &error)> read)
{
    m_reading = true;
    QThreadPool::globalInstance()->start(
        [self = QPointer(this), generation = m_generation, read = std::move(read)] {
            QString error;
            const QByteArray bytes = read(error);
            ListenerList::Parsed parsed;
            if (error.isEmpty()) {
                parsed = ListenerList::parse(bytes);
                error = verdict(parsed, bytes);
            }
            QMetaObject::invokeMethod(QCoreApplication::instance(),
                                      [self, generation, error, parsed = std::move(parsed)] {
                                          if (!self || generation != self->m_generation)
                                              return;
                                          self->m_reading = false;
                                          if (error.isEmpty())
                                              emit self->finished(parsed);
                                          else
                                              emit self->failed(error);
                                      });
        });
}
