// SPDX-License-Identifier: MIT
// What differs between the desktop program and the page: how frames are
// paced, which signals are caught, how the program quits and who hears of a
// drawn frame. CMake builds exactly one implementation, desktop/Platform.cpp
// or web/Platform.cpp, so the shared files hold no platform conditionals.
#ifndef VIEWER_PLATFORM_H
#define VIEWER_PLATFORM_H

class GraphicsScene;
struct StepReport;

/// Catches the signals the program reports: SIGUSR2 on the desktop; a page
/// gets none.
void installSignalHandlers();
/// Seeds rand() for the run: from the clock, or in a page from the seed its
/// address asks for.
void seedRandom();
/// Registers what paces the frames once the window's callbacks are set: on the
/// desktop the idle callback that pauses and then asks for a frame; in a page,
/// which must never block, a timer that re-arms itself.
void startFramePacing();
/// Ends the program with status 0, as q and Q ask.
[[noreturn]] void quitProgram();
/// Called once a frame is drawn, with the scene and what its step did:
/// nothing on the desktop; a page shows the step and the heap beside the
/// picture.
void frameDrawn(const GraphicsScene& scene, const StepReport& step);

#endif // VIEWER_PLATFORM_H
