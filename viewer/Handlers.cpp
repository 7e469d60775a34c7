// SPDX-License-Identifier: MIT
#include "Handlers.h"

#include "Output.h"
#include "Platform.h"

#include <GL/glut.h>

#include <cerrno>
#include <unistd.h>

void keyboard(unsigned char key, int /*x*/, int /*y*/) {
    switch (key) {
    case 'q':
    case 'Q':
        quitProgram();
    case 'p':
        writeLine(STDOUT_FILENO, "user pressed the p key");
        glFlush();
        break;
    default:
        glFlush();
        break;
    }
}

void mouse(int button, int /*state*/, int /*x*/, int /*y*/) {
    // The state is not examined: a click reports on press and on release.
    if (button == GLUT_LEFT_BUTTON) {
        writeLine(STDOUT_FILENO, "user clicked the left mouse button");
    } else if (button == GLUT_RIGHT_BUTTON) {
        writeLine(STDOUT_FILENO, "user clicked the right mouse button");
    }
}

void sigHandler(int sig) {
    const int savedErrno = errno;
    char line[kSignalLineCapacity];
    const std::size_t length = formatSignalLine(sig, line);
    writeAll(STDOUT_FILENO, line, length);
    errno = savedErrno;
}
