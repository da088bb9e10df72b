#pragma once

#include <QString>
#include <QStringList>

class QProcess;
class QSignalSpy;

namespace TestSupport {

// Folders of the source and build trees, as CTest passes them.
QString sourceDir();
QString binaryDir();

// Where screenshots of a test run go (created on demand):
// <build>/screenshots.
QString screenshotDir();

// Media engines created from now on play without picture or speakers.
void quietEngines();

// The values a spy on MediaEngine::propertyWritten saw written to
// `property`, in order.
QStringList writtenValues(const QSignalSpy &spy, const QString &property);

// Ends a started program: asks it to end, and kills it after 3 s.
void endProgram(QProcess &program);

}  // namespace TestSupport
