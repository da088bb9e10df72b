#include "platform/errors.h"

#include <QTest>

// What the user reads when a control refuses a call.
class TestErrors : public QObject
{
    Q_OBJECT

private slots:
    void controlText_data()
    {
        QTest::addColumn<QString>("description");
        QTest::addColumn<quint32>("code");
        QTest::addColumn<QString>("expected");
        QTest::newRow("plain") << "Valor inválido" << 0x80070057u << "Valor inválido";
        QTest::newRow("trailing stop and blanks") << "Falhou.  \n" << 1u << "Falhou";
        QTest::newRow("trailing mixed punctuation") << "Erro: fim?!. " << 1u << "Erro: fim";
        QTest::newRow("inner punctuation kept") << "a.b, c" << 1u << "a.b, c";
        QTest::newRow("empty gives code") << "" << 0x80004005u << "OLE error 80004005";
        QTest::newRow("only punctuation gives code") << " ... " << 0x1u << "OLE error 00000001";
    }

    void controlText()
    {
        QFETCH(QString, description);
        QFETCH(quint32, code);
        QFETCH(QString, expected);
        QCOMPARE(Errors::controlErrorText(description, code), expected);
        QCOMPARE(ControlError(description, code).text(), expected);
    }

    void boxText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        // A full stop is added only when the last character sorts after ".".
        QTest::newRow("letter") << "Falhou"
                                << "Falhou.";
        QTest::newRow("digit") << "OLE error 80004005"
                               << "OLE error 80004005.";
        QTest::newRow("full stop") << "Pronto."
                                   << "Pronto.";
        QTest::newRow("comma sorts before") << "a,"
                                            << "a,";
        QTest::newRow("bang sorts before") << "Atenção!"
                                           << "Atenção!";
        QTest::newRow("question sorts after") << "Por quê?"
                                              << "Por quê?.";
        QTest::newRow("accented letter") << "Não há conexão"
                                         << "Não há conexão.";
        QTest::newRow("empty") << ""
                               << "";
    }

    void boxText()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(Errors::boxText(text), expected);
    }

    void guardEndsHandlerAndReports()
    {
        QStringList shown;
        Errors::setErrorReporter([&](const QString &t) { shown << t; });
        int steps = 0;
        Errors::guarded([&] {
            ++steps;
            throw ControlError(QStringLiteral("Cannot make a visible window modal"));
            ++steps;
        });
        QCOMPARE(steps, 1);
        QCOMPARE(shown, QStringList{QStringLiteral("Cannot make a visible window modal.")});

        // A handler that succeeds reports nothing.
        Errors::guarded([&] { ++steps; });
        QCOMPARE(steps, 2);
        QCOMPARE(shown.size(), 1);
        Errors::setErrorReporter({});
    }
};

QTEST_GUILESS_MAIN(TestErrors)
#include "test_errors.moc"
