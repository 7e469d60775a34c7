// SPDX-License-Identifier: MIT
// Heap View: animates a linked binary min-heap in a 400 x 400 window.
#include "FrameCycle.h"
#include "Handlers.h"
#include "Output.h"

#include <GL/glut.h>

#include <csignal>
#include <cstdlib>
#include <ctime>

int main(int argc, char** argv) {
    openStandardStreams();
#ifndef __EMSCRIPTEN__ // a page gets no signals
    std::signal(SIGUSR2, sigHandler);
#endif
    std::srand(static_cast<unsigned int>(std::time(nullptr)));

    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGBA | GLUT_SINGLE);
    glutInitWindowSize(400, 400);
    glutInitWindowPosition(400, 350);
    glutCreateWindow("Heap View");
    init();

    glutDisplayFunc(display);
    glutReshapeFunc(reshape);
    glutMouseFunc(mouse);
    glutKeyboardFunc(keyboard);
#ifdef __EMSCRIPTEN__ // a page must not block: a timer paces the frames
    glutTimerFunc(kFramePauseMs, updateOnTimer, 0);
#else
    glutIdleFunc(update);
#endif

    glutMainLoop();
    return 0;
}
