// SPDX-License-Identifier: MIT
#include "FrameCycle.h"

#include "Drawing.h"
#include "Geometry.h"
#include "Output.h"
#include "Platform.h"
#include "Scene.h"

#include <GL/glut.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <string>
#include <unistd.h>

void init() {
    glClearColor(1.0F, 1.0F, 1.0F, 0.0F);
}

void reshape(int width, int height) {
    // The viewport is one pixel short of the window while the projection spans
    // all of it: a drawing unit is very nearly, not exactly, one pixel.
    glViewport(0, 0, width - 1, height - 1);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, width, 0.0, height, -1.0, 1.0);
}

void display() {
    glClear(GL_COLOR_BUFFER_BIT);
    const StepReport step = stepScene(SCENE);
    drawHeap(kRootBox.width, kRootBox.height, kRootBox.x, kRootBox.y, SCENE.heap.root);
    countFrame(SCENE);
    glFlush();
    frameDrawn(SCENE, step);
}

void update() {
    sleepFor(kFramePauseNs);
    glutPostRedisplay();
}

void sleepFor(long nanoseconds) {
    timespec request{nanoseconds / 1'000'000'000L, nanoseconds % 1'000'000'000L};
    timespec remaining{};
    while (nanosleep(&request, &remaining) != 0) {
        const int error = errno; // before the message's allocation can change it
        if (error != EINTR) {
            const std::string message =
                std::string("Error occurred with nanosleep; reason = ") + std::strerror(error);
            writeLine(STDERR_FILENO, message.c_str());
            return;
        }
        writeLine(STDOUT_FILENO, "sig detected... resuming timer.");
        request = remaining;
    }
}
