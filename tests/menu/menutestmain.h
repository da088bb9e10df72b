#pragma once

#include "media/mediaengine.h"
#include "news/webenginesetup.h"

#include <QApplication>
#include <QTest>
#include <unistd.h>

// Tests of the main window build it as the program does; the engine makes
// no picture and no sound there, and the web engine may start as root.
#define BRELO_WINDOW_TEST_MAIN(TestClass)                                                                    \
    int main(int argc, char **argv)                                                                          \
    {                                                                                                        \
        if (::geteuid() == 0)                                                                                \
            qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");                                                     \
        WebEngineSetup::beforeApplication();                                                                 \
        MediaEngine::Options options;                                                                        \
        options.video = false;                                                                               \
        options.audioTap = [](const qint16 *, int, int, int, qint64) {};                                     \
        MediaEngine::setDefaultOptions(options);                                                             \
        QApplication app(argc, argv);                                                                        \
        TestClass test;                                                                                      \
        return QTest::qExec(&test, argc, argv);                                                              \
    }
