#pragma once

#include <QString>

namespace TestSupport {

// Folders of the source and build trees, as CTest passes them.
QString sourceDir();
QString binaryDir();

// Where screenshots of a test run go (created on demand):
// <build>/screenshots.
QString screenshotDir();

}  // namespace TestSupport
