// SPDX-License-Identifier: MIT
// Heap View: animates a linked binary min-heap in a 400 x 400 window.
#include "FrameCycle.h"
#include "Geometry.h"
#include "Handlers.h"
#include "Output.h"
#include "Platform.h"

#include <GL/glut.h>

int main(int argc, char** argv) {
    openStandardStreams();
    installSignalHandlers();
    seedRandom();

    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGBA | GLUT_SINGLE);
    glutInitWindowSize(kWindowSide, kWindowSide);
    glutInitWindowPosition(400, 350);
    glutCreateWindow("Heap View");
    init();

    glutDisplayFunc(display);
    glutReshapeFunc(reshape);
    glutMouseFunc(mouse);
    glutKeyboardFunc(keyboard);
    startFramePacing();

    glutMainLoop();
    return 0;
}
