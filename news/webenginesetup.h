#pragma once

// What the news browser's engine needs settled before the application
// object exists. Call once, before QApplication is built.
namespace WebEngineSetup {

// The news page is drawn by the processor, not through OpenGL: a page of
// headlines gains nothing from the graphics card, while OpenGL's shared
// context would load the driver stack (Mesa and LLVM, tens of megabytes)
// at start-up, before the player's window could appear.
void beforeApplication();

}  // namespace WebEngineSetup
