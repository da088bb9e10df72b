// Build tool: turns the channel table's data file into the C++ source of the
// built-in list, and stops the build with the line at fault when the file is
// not a sound table.
//
//   channeltablegen <table.tsv> <output.cpp>
#include "catalogue/channeltable.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: channeltablegen <table.tsv> <output.cpp>\n");
        return 2;
    }
    const QString input = QFile::decodeName(argv[1]);
    const QString output = QFile::decodeName(argv[2]);

    QFile in(input);
    if (!in.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "%s: error: channel table: %s\n", argv[1], qPrintable(in.errorString()));
        return 1;
    }
    const ChannelTable::Parsed table = ChannelTable::parse(in.readAll());
    if (!table.error.isEmpty()) {
        const QByteArray where
            = table.errorLine > 0 ? ":" + QByteArray::number(table.errorLine) : QByteArray();
        std::fprintf(stderr, "%s%s: error: channel table: %s\n", argv[1], where.constData(),
                     table.error.toUtf8().constData());
        return 1;
    }

    QSaveFile out(output);
    if (!out.open(QIODevice::WriteOnly)
        || out.write(ChannelTable::toSource(table.rows, QFileInfo(input).fileName())) < 0 || !out.commit()) {
        std::fprintf(stderr, "%s: error: %s\n", argv[2], qPrintable(out.errorString()));
        return 1;
    }
    return 0;
}
