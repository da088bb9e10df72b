#pragma once

// What the news browser's engine needs settled around the application
// object's creation.
namespace WebEngineSetup {

// Call once, before QApplication is built. The news page is drawn by the
// processor, not through OpenGL: a page of headlines gains nothing from the
// graphics card, while OpenGL would load the driver stack (Mesa and LLVM,
// tens of megabytes) at start-up, before the player's window could appear.
void beforeApplication();

// Call once QApplication exists: programs the player starts (the help
// viewer, the web browser) keep the desktop's OpenGL.
void afterApplication();

}  // namespace WebEngineSetup
