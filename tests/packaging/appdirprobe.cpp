// Prints the folder Qt reports as the program's own, as the help command
// sees it. The packaging test runs it from beside the installed program
// through a link in bin/.
#include <QCoreApplication>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    std::printf("%s\n", qPrintable(QCoreApplication::applicationDirPath()));
    return 0;
}
