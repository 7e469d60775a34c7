// SPDX-License-Identifier: MIT
// The desktop program's side of the platform seam: X11 through freeglut.
#include "Platform.h"

#include "FrameCycle.h"
#include "Handlers.h"
#include "WindowWatch.h"

#include <GL/glut.h>

#include <csignal>
#include <cstdlib>
#include <ctime>

void installSignalHandlers() {
    std::signal(SIGUSR2, sigHandler);
}

void seedRandom() {
    std::srand(static_cast<unsigned int>(std::time(nullptr)));
}

namespace {

/// The idle callback: the frame cycle's pause and request for a frame, then a
/// look at whether another client has taken the window away meanwhile.
void pauseThenWatch() {
    update();
    exitIfWindowDestroyed();
}

} // namespace

void startFramePacing() {
    glutIdleFunc(pauseThenWatch);
}

void quitProgram() {
    std::exit(0);
}

void frameDrawn(const GraphicsScene& /*scene*/, const StepReport& /*step*/) {}
