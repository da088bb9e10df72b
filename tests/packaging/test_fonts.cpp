#include "about/formsobre.h"
#include "support/testsupport.h"

#include <QApplication>
#include <QDirIterator>
#include <QFile>
#include <QFontInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

// Every face the window layouts name comes, after the program's own
// substitutions and fontconfig's, from a package the Debian package depends
// on or recommends: a desktop installing only the package gets the metrics
// the layouts were fitted to, not whatever face happens to be about.
class TestFonts : public QObject
{
    Q_OBJECT

    static QString run(const QString &program, const QStringList &args)
    {
        QProcess p;
        p.start(program, args);
        if (!p.waitForFinished(20000) || p.exitCode() != 0)
            return {};
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    }

    // Package names in the Depends and Recommends of the binary package.
    static QSet<QString> declaredPackages()
    {
        QFile control(TestSupport::sourceDir() + QStringLiteral("/debian/control"));
        if (!control.open(QIODevice::ReadOnly))
            return {};
        const QString text = QString::fromUtf8(control.readAll());
        const QString binary = text.mid(text.indexOf(QStringLiteral("\nPackage:")));
        QSet<QString> names;
        const QRegularExpression field(QStringLiteral("^(Depends|Recommends):((?:.*\\n?)(?:^[ \\t].*\\n?)*)"),
                                       QRegularExpression::MultilineOption);
        for (auto m = field.globalMatch(binary); m.hasNext();) {
            for (const QString &alt :
                 m.next().captured(2).split(QRegularExpression(QStringLiteral("[,|]")))) {
                const QString name = alt.trimmed().section(u' ', 0, 0);
                if (!name.isEmpty())
                    names.insert(name);
            }
        }
        return names;
    }

private slots:
    void layoutFacesComeFromDeclaredPackages()
    {
        // The About window puts its faces in place when it is built.
        Tfsobre about;

        QSet<QString> families;
        const QRegularExpression family(QStringLiteral("<family>([^<]+)</family>"));
        QDirIterator it(TestSupport::sourceDir(), {QStringLiteral("*.ui")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            if (path.contains(QLatin1String("/build")))
                continue;
            QFile ui(path);
            QVERIFY(ui.open(QIODevice::ReadOnly));
            for (auto m = family.globalMatch(QString::fromUtf8(ui.readAll())); m.hasNext();)
                families.insert(m.next().captured(1));
        }
        QVERIFY(families.contains(QStringLiteral("Tahoma")));

        const QSet<QString> declared = declaredPackages();
        QVERIFY(!declared.isEmpty());
        for (const QString &name : std::as_const(families)) {
            const QString face = QFontInfo(QFont(name)).family();
            const QString file
                = run(QStringLiteral("fc-match"), {QStringLiteral("-f"), QStringLiteral("%{file}"), face});
            QVERIFY2(!file.isEmpty(), qPrintable(name));
            const QString owner
                = run(QStringLiteral("dpkg"), {QStringLiteral("-S"), file}).section(u':', 0, 0);
            qInfo().noquote() << name << "is drawn in" << face << "from" << owner;
            QVERIFY2(
                declared.contains(owner),
                qPrintable(QStringLiteral("%1 is drawn in %2 from %3, which debian/control does not declare")
                               .arg(name, face, owner.isEmpty() ? file : owner)));
        }
    }
};

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    TestFonts test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_fonts.moc"
