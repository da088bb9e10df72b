#include "localwebserver.h"

#include "news/noticia.h"
#include "news/webbrowser.h"
#include "news/webenginesetup.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <unistd.h>

// For an ordinary user the news browser keeps Chromium's sandbox: the
// renderer that shows a site runs under a seccomp-bpf filter and in
// namespaces of its own. Meant to run as such a user
// (tests/news/unprivileged.sh arranges it when the tests run as root).
class TestNewsSandbox : public QObject
{
    Q_OBJECT

    static QByteArray procFile(qint64 pid, const char *name)
    {
        QFile f(QStringLiteral("/proc/%1/%2").arg(pid).arg(QLatin1String(name)));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    static QString statusField(qint64 pid, const char *key)
    {
        for (const QByteArray &line : procFile(pid, "status").split('\n'))
            if (line.startsWith(key))
                return QString::fromLatin1(line.mid(qstrlen(key))).trimmed();
        return {};
    }

    // This user's Chromium helper processes. The zygote leaves its parent
    // to start the sandboxed one, and the renderers it forks keep its
    // command line, so they are found by user and program, not by parent
    // or by "--type=renderer"; the user running these tests runs no other
    // browser.
    static QList<qint64> helpers()
    {
        const QString uid = QString::number(::getuid());
        QList<qint64> found;
        for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
            bool ok = false;
            const qint64 pid = entry.toLongLong(&ok);
            if (ok && statusField(pid, "Uid:").section(u'\t', 0, 0) == uid
                && procFile(pid, "cmdline").contains("QtWebEngineProcess"))
                found << pid;
        }
        return found;
    }

private slots:
    void initTestCase()
    {
        if (::geteuid() == 0)
            QSKIP("Chromium keeps no sandbox as root: run as an ordinary user (tests/news/unprivileged.sh)");
    }

    void siteRendersInsideTheSandbox()
    {
        // Nothing in the user's environment switched it off either.
        QVERIFY(qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"));

        LocalWebServer server;
        QVERIFY(server.listen());
        server.addPage(
            "/", "<!DOCTYPE html><html><head><title>Caixa de Areia</title></head><body>ok</body></html>");
        QList<CatalogueEntry> rows;
        for (const CatalogueEntry &e : NewsSiteCatalogue::builtIn())
            rows.append({e.text, server.url("/")});
        QWidget player;
        TBrowseNoticia news(NewsSiteCatalogue(rows), &player);
        QTRY_COMPARE_WITH_TIMEOUT(news.windowTitle(), QStringLiteral("Caixa de Areia - Brelo Browser"),
                                  30000);

        const QList<qint64> pids = helpers();
        QVERIFY2(!pids.isEmpty(), "no Chromium helper process");
        int confined = 0;
        for (qint64 pid : pids) {
            const QByteArray cmdline = procFile(pid, "cmdline");
            QVERIFY2(!cmdline.contains("--no-sandbox"), cmdline.constData());
            // 2: a seccomp-bpf filter confines the process's system calls.
            if (statusField(pid, "Seccomp:") != QStringLiteral("2"))
                continue;
            ++confined;
            // Chromium's namespace sandbox: a PID namespace of its own (the
            // status lists a second, inner pid).
            const QStringList nspid = statusField(pid, "NSpid:").split(u'\t', Qt::SkipEmptyParts);
            QVERIFY2(nspid.size() >= 2, qPrintable(QStringLiteral("NSpid: ") + nspid.join(u' ')));
            qInfo("helper %lld: Seccomp 2, NSpid %s", pid, qPrintable(nspid.join(u' ')));
        }
        // The page's renderer at least.
        QVERIFY2(confined >= 1, "no helper process under a seccomp filter");
    }
};

int main(int argc, char **argv)
{
    WebEngineSetup::beforeApplication();
    QApplication app(argc, argv);
    TestNewsSandbox test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_newssandbox.moc"
