// SPDX-License-Identifier: MIT
// The page's side of the platform seam: Emscripten's GLUT over WebGL.
#include "Platform.h"

#include "FrameCycle.h"

#include <GL/glut.h>
#include <emscripten.h>

#include <cstdlib>
#include <ctime>

namespace {

/// Asks for the next frame and re-arms itself: the page's pause.
void updateOnTimer(int value) {
    glutPostRedisplay();
    glutTimerFunc(kFramePauseMs, updateOnTimer, value);
}

} // namespace

void installSignalHandlers() {}

void seedRandom() {
    std::srand(static_cast<unsigned int>(std::time(nullptr)));
}

void startFramePacing() {
    glutTimerFunc(kFramePauseMs, updateOnTimer, 0);
}

void quitProgram() {
    // A plain exit would leave the pending frame timer running the page.
    emscripten_force_exit(0);
    std::abort(); // not reached: force_exit does not return
}

unsigned int boxFillMode() {
    return GL_TRIANGLE_FAN;
}
