// SPDX-License-Identifier: MIT
// The desktop program's side of the platform seam: X11 through freeglut.
#include "Platform.h"

#include "FrameCycle.h"
#include "Handlers.h"

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

void startFramePacing() {
    glutIdleFunc(update);
}

void quitProgram() {
    std::exit(0);
}

unsigned int boxFillMode() {
    return GL_POLYGON;
}

void frameDrawn(const GraphicsScene& /*scene*/, const StepReport& /*step*/) {}
