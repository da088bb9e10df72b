#include "media/mediaengine.h"
#include "media/storedstate.h"
#include "platform/errors.h"
#include "support/testsupport.h"

#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QtEndian>

// The stored initial state as the main window's layout carries it, and the
// property writes the engine accepts or refuses.
class TestStoredState : public QObject
{
    Q_OBJECT

    QByteArray layoutBlock;

    static QString errorOf(const QByteArray &block)
    {
        try {
            StoredState::parse(block);
        } catch (const ControlError &e) {
            return e.text();
        }
        return {};
    }

private slots:
    void initTestCase()
    {
        QFile ui(TestSupport::sourceDir() + QStringLiteral("/player/principal.ui"));
        QVERIFY(ui.open(QIODevice::ReadOnly));
        const auto m = QRegularExpression(
                           QStringLiteral("name=\"ControlData\"[^>]*>\\s*<string>([0-9A-Fa-f]+)</string>"))
                           .match(QString::fromUtf8(ui.readAll()));
        QVERIFY(m.hasMatch());
        layoutBlock = QByteArray::fromHex(m.captured(1).toLatin1());
        QCOMPARE(layoutBlock.size(), 164);
    }

    void layoutBlockGivesTheStoredValues()
    {
        const StoredState s = StoredState::parse(layoutBlock);
        QCOMPARE(s.url, QString());
        QCOMPARE(s.rate, 1.0);
        QCOMPARE(s.balance, 0);
        QCOMPARE(s.playCount, 1);
        QVERIFY(s.autoStart);
        QVERIFY(s.invokeURLs);
        QCOMPARE(s.volume, 100);
        QVERIFY(!s.mute);
        QCOMPARE(s.uiMode, QStringLiteral("mini"));
        QVERIFY(!s.stretchToFit);
        QVERIFY(!s.windowlessVideo);
        QVERIFY(s.enabled);
        QVERIFY(!s.enableContextMenu);
        QVERIFY(!s.fullScreen);
        QVERIFY(!s.enableErrorDialogs);
        QCOMPARE(s.extentWidth, 4286);
        QCOMPARE(s.extentHeight, 4895);
        QCOMPARE(s.serialize(), layoutBlock);
    }

    void malformedBlocksNameTheOffset_data()
    {
        QTest::addColumn<QByteArray>("block");
        QTest::addColumn<QString>("expected");  // part of the error text

        QByteArray b = layoutBlock;
        QTest::newRow("empty") << QByteArray() << "deslocamento 0";
        QTest::newRow("truncated in uiMode") << layoutBlock.left(90) << "deslocamento 90";
        QTest::newRow("one byte short") << layoutBlock.left(163) << "163 bytes";
        QTest::newRow("one byte too many") << layoutBlock + '\0' << "165 bytes";

        b = layoutBlock;
        b[0] = 0x01;
        QTest::newRow("version") << b << "deslocamento 0: versão 0x301";

        b = layoutBlock;
        b[84] = 3;  // uiMode tagged as an integer
        QTest::newRow("mis-tagged uiMode") << b << "deslocamento 84: etiqueta 3 em uiMode";

        b = layoutBlock;
        b[12] = 8;  // rate tagged as text
        QTest::newRow("mis-tagged rate") << b << "deslocamento 12: etiqueta 8 em rate";

        b = layoutBlock;
        qToLittleEndian<quint32>(0xFFFFFFF0u, b.data() + 86);
        QTest::newRow("oversized uiMode count") << b << "deslocamento 86: tamanho de texto 4294967280";

        b = layoutBlock;
        qToLittleEndian<quint32>(0x7FFFFFFEu, b.data() + 6);
        QTest::newRow("oversized URL count") << b << "deslocamento 6";

        b = layoutBlock;
        qToLittleEndian<quint32>(3, b.data() + 6);
        QTest::newRow("odd text count") << b << "deslocamento 6: tamanho de texto 3";

        b = layoutBlock;
        qToLittleEndian<quint32>(4, b.data() + 6);  // swallows the next tag
        QTest::newRow("count swallows the next tag") << b << "deslocamento 12: esperado o NUL final de URL";

        b = layoutBlock;
        b[54] = 0x01;  // autoStart neither 0xFFFF nor 0
        QTest::newRow("boolean") << b << "deslocamento 54: booleano";

        b = layoutBlock;
        qToLittleEndian<qint32>(250, b.data() + 76);
        QTest::newRow("volume out of range") << b << "volume 250";
    }

    void malformedBlocksNameTheOffset()
    {
        QFETCH(QByteArray, block);
        QFETCH(QString, expected);
        const QString text = errorOf(block);
        QVERIFY2(text.contains(expected), qPrintable(text));
    }

    void everyTruncationIsRefused()
    {
        // No prefix of the block may be taken for a whole one.
        for (int n = 0; n < layoutBlock.size(); ++n)
            QVERIFY2(!errorOf(layoutBlock.left(n)).isEmpty(), qPrintable(QString::number(n)));
    }

    void hexTextIsChecked()
    {
        QVERIFY_THROWS_EXCEPTION(ControlError, StoredState::fromHex(QStringLiteral("0003zz")));
        QVERIFY_THROWS_EXCEPTION(ControlError, StoredState::fromHex(QStringLiteral("000")));
        const StoredState s = StoredState::fromHex(QString::fromLatin1(layoutBlock.toHex()));
        QCOMPARE(s.uiMode, QStringLiteral("mini"));
    }

    void engineTakesItsStateFromTheLayout()
    {
        MediaEngine::Options o;
        o.video = false;
        MediaEngine::setDefaultOptions(o);
        MediaEngine engine;
        QSignalSpy writes(&engine, &MediaEngine::propertyWritten);
        engine.setControlData(QString::fromLatin1(layoutBlock.toHex().toUpper()));
        QCOMPARE(engine.volume(), 100);
        QVERIFY(!engine.muted());
        QCOMPARE(engine.uiMode(), QStringLiteral("mini"));
        QVERIFY(!engine.fullScreen());
        QCOMPARE(writes.count(), 0);  // loading the state is no property write

        QByteArray bad = layoutBlock;
        bad[84] = 3;
        QVERIFY_THROWS_EXCEPTION(ControlError, engine.setControlData(QString::fromLatin1(bad.toHex())));
        engine.shutdown(500);
    }

    void uiModeIsTakenWithoutRegardToCase()
    {
        MediaEngine::Options o;
        o.video = false;
        MediaEngine::setDefaultOptions(o);
        MediaEngine engine;
        QSignalSpy writes(&engine, &MediaEngine::propertyWritten);
        for (const char *mode : {"Mini", "FULL", "invisible", "None", "cUsToM", "mini", "Full"}) {
            engine.setUiMode(QString::fromLatin1(mode));
            QCOMPARE(engine.uiMode(), QString::fromLatin1(mode).toLower());
        }
        QCOMPARE(writes.count(), 7);
        QCOMPARE(writes.last().at(1).toString(), QStringLiteral("Full"));

        for (const char *mode : {"", "compact", "mini ", "fullscreen"}) {
            try {
                engine.setUiMode(QString::fromLatin1(mode));
                QFAIL(mode);
            } catch (const ControlError &e) {
                QVERIFY(e.text().contains(QStringLiteral("uiMode")));
            }
            QCOMPARE(engine.uiMode(), QStringLiteral("full"));  // unchanged
        }
        QCOMPARE(writes.count(), 7);
        engine.shutdown(500);
    }
};

QTEST_MAIN(TestStoredState)
#include "test_storedstate.moc"
