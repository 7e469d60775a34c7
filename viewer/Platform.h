// SPDX-License-Identifier: MIT
// What differs between the desktop program and the page: how frames are
// paced, which signals are caught, how the program quits and which primitive
// fills a box. CMake builds exactly one implementation, desktop/Platform.cpp
// or web/Platform.cpp, so the shared files hold no platform conditionals.
#ifndef VIEWER_PLATFORM_H
#define VIEWER_PLATFORM_H

/// Catches the signals the program reports: SIGUSR2 on the desktop; a page
/// gets none.
void installSignalHandlers();
/// Seeds rand() for the run, from the clock.
void seedRandom();
/// Registers what paces the frames once the window's callbacks are set: on the
/// desktop the idle callback that pauses and then asks for a frame; in a page,
/// which must never block, a timer that re-arms itself.
void startFramePacing();
/// Ends the program with status 0, as q and Q ask.
[[noreturn]] void quitProgram();
/// The GL primitive a box's fill is drawn with: GL_POLYGON on the desktop; a
/// fan over the same four corners in a page, whose immediate-mode emulation
/// has no polygons.
unsigned int boxFillMode();

#endif // VIEWER_PLATFORM_H
