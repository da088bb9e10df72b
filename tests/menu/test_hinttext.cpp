#include "player/hinttext.h"

#include <QTest>

class TestHintText : public QObject
{
    Q_OBJECT
private slots:
    void parse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("description");
        QTest::addColumn<int>("index");

        QTest::newRow("empty") << ""
                               << ""
                               << "" << -1;
        QTest::newRow("no bar") << "Só o título"
                                << "Só o título"
                                << "" << -1;
        QTest::newRow("one bar") << "Título|Descrição"
                                 << "Título"
                                 << "Descrição" << -1;
        QTest::newRow("one bar, empty description") << "Título|"
                                                    << "Título"
                                                    << "" << -1;
        QTest::newRow("two bars: menu button") << "Configurações|Meu Principal|0"
                                               << "Configurações"
                                               << "Meu Principal" << 0;
        QTest::newRow("two bars: channel list")
            << "Lista de Canais TV e Estações de Radios|Escolha há qual estação quer se conectar!|0"
            << "Lista de Canais TV e Estações de Radios"
            << "Escolha há qual estação quer se conectar!" << 0;
        QTest::newRow("two bars, larger index") << "a|b|12"
                                                << "a"
                                                << "b" << 12;
        QTest::newRow("blanks around index") << "a|b| 3 "
                                             << "a"
                                             << "b" << 3;
        QTest::newRow("empty title") << "|b|1"
                                     << ""
                                     << "b" << 1;
        QTest::newRow("bad index: letters") << "a|b|x"
                                            << "a"
                                            << "b" << -1;
        QTest::newRow("bad index: empty") << "a|b|"
                                          << "a"
                                          << "b" << -1;
        QTest::newRow("bad index: negative") << "a|b|-1"
                                             << "a"
                                             << "b" << -1;
        QTest::newRow("bad index: sign") << "a|b|+2"
                                         << "a"
                                         << "b" << -1;
        QTest::newRow("bad index: trailing text") << "a|b|2px"
                                                  << "a"
                                                  << "b" << -1;
        QTest::newRow("bad index: overflow") << "a|b|99999999999"
                                             << "a"
                                             << "b" << -1;
        QTest::newRow("three bars") << "a|b|1|c"
                                    << "a"
                                    << "b" << -1;
    }

    void parse()
    {
        QFETCH(QString, text);
        const HintText hint = parseHintText(text);
        QTEST(hint.title, "title");
        QTEST(hint.description, "description");
        QTEST(hint.imageIndex, "index");
    }
};

QTEST_APPLESS_MAIN(TestHintText)
#include "test_hinttext.moc"
