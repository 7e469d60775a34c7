// SPDX-License-Identifier: MIT
// The page's side of the platform seam: Emscripten's GLUT over WebGL, and the
// controls the page drives through the bridge (pause, one step, speed, a lost
// picture, "Try it") and what it is told (the seed, each step and the heap in
// level order).
#include "Platform.h"

#include "Bridge.h"
#include "TryPage.h"

#include "Drawing.h"
#include "FrameCycle.h"
#include "Geometry.h"
#include "Scene.h"
#include "StepReport.h"
#include "ImmediateMode.h"

#include <GL/glut.h>
#include <emscripten.h>

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <string>

namespace {

/// What holds the steps back, and how fast they come otherwise.
struct Pacing {
    bool paused = false;     ///< by the page's Pause button or address
    bool lost = false;       ///< while the browser has taken the picture away
    double intervalMs = kFramePauseMs;
    double dueAt = 0.0;      ///< when the next step is due, on emscripten_get_now()'s clock
    int generation = 0;      ///< timers armed for an older generation do nothing
    int singleSteps = 0;     ///< steps asked for one by one while paused, not yet drawn
    bool trying = false;     ///< "Try it" shows: the scene is held, its display swapped out
};
Pacing pacing;

/// Asks for the next frame and re-arms itself: the page's pause. Each delay
/// runs to the time the next step is due rather than a fixed interval after
/// this call, so a timer that fires late does not slow the rate below its
/// setting; after a stall of more than a step (a hidden tab) it starts afresh
/// rather than catching up in a burst.
void updateOnTimer(int generation) {
    if (generation != pacing.generation) {
        return;
    }
    glutPostRedisplay();
    const double now = emscripten_get_now();
    pacing.dueAt += pacing.intervalMs;
    if (pacing.dueAt < now - pacing.intervalMs) {
        pacing.dueAt = now;
    }
    const double delay = pacing.dueAt > now ? pacing.dueAt - now : 0.0;
    glutTimerFunc(static_cast<unsigned int>(delay + 0.5), updateOnTimer, generation);
}

/// Cancels any armed timer and, unless something holds the steps back, arms
/// one for a step an interval from now.
void rearm() {
    ++pacing.generation;
    if (pacing.paused || pacing.lost || pacing.trying) {
        return;
    }
    pacing.dueAt = emscripten_get_now() + pacing.intervalMs;
    glutTimerFunc(static_cast<unsigned int>(pacing.intervalMs + 0.5), updateOnTimer,
                  pacing.generation);
}

/// Draws the scene as it stands on a fresh context: the GL state the program
/// set up is gone with the old one.
void drawAfresh() {
    webGlutForgetState();
    init();
    reshape(kWindowSide, kWindowSide);
    if (pacing.trying) {
        trypage::redraw();
        return;
    }
    glClear(GL_COLOR_BUFFER_BIT);
    drawHeap(kRootBox.width, kRootBox.height, kRootBox.x, kRootBox.y, SCENE.heap.root);
    glFlush();
}

/// GLUT's display callback while "Try it" shows: the learner's frame again,
/// never a step of the scene.
void displayTrying() {
    bridge::tryFrameShown(trypage::redraw());
}

void setSpeed(double speed) {
    // The page offers 0.25 to 4; anything else would be its mistake.
    if (!(speed >= 0.25 && speed <= 4.0)) {
        speed = 1.0;
    }
    pacing.intervalMs = kFramePauseMs / speed;
}

} // namespace

void installSignalHandlers() {}

void seedRandom() {
    const double asked = bridge::askedSeed();
    const auto seed = asked >= 0.0 ? static_cast<unsigned int>(asked)
                                   : static_cast<unsigned int>(std::time(nullptr));
    std::srand(seed);
    bridge::seedInUse(seed);
}

void startFramePacing() {
    setSpeed(bridge::askedSpeed());
    // GLUT's main loop draws the first frame itself; a page that starts
    // paused holds everything after it, and one in "Try it" draws the
    // learner's frame instead, leaving the scene unstepped.
    pacing.paused = bridge::startsPaused();
    pacing.trying = bridge::startsTrying();
    if (pacing.trying) {
        glutDisplayFunc(displayTrying);
    }
    rearm();
}

void quitProgram() {
    // A plain exit would leave the pending frame timer running the page.
    emscripten_force_exit(0);
    std::abort(); // not reached: force_exit does not return
}

void frameDrawn(const GraphicsScene& scene, const StepReport& step) {
    static std::int32_t values[kItemCount];
    int count = 0;
    for (const BinaryHeapNode* node = scene.heap.root; node != nullptr && count < kItemCount;
         node = node->next) {
        values[count++] = static_cast<const IntNodeData*>(node->data)->value;
    }
    const std::string line = stepLine(scene.count, step);
    bridge::frameDrawn(static_cast<int>(scene.count), line, values, count, step.position);
    if (bridge::showsStructure()) {
        bridge::structureShown(trypage::structureJson(scene.heap));
    }
    // GLUT serves one redisplay per animation frame, so steps asked for
    // faster than that are drawn one after another.
    if (pacing.singleSteps > 0 && --pacing.singleSteps > 0) {
        glutPostRedisplay();
    }
}

namespace webcontrols {

void setPaused(bool paused) {
    if (paused != pacing.paused) {
        pacing.paused = paused;
        pacing.singleSteps = 0;
        rearm();
    }
}

/// One step and one frame, only while paused (and the picture is there).
void stepOnce() {
    if (pacing.paused && !pacing.lost && !pacing.trying && ++pacing.singleSteps == 1) {
        glutPostRedisplay();
    }
}

void setSpeed(double speed) {
    ::setSpeed(speed);
    rearm();
}

/// The browser took the WebGL context away (lost) or gave it back: no steps
/// run without it, and a restored one shows the picture at once, as it was,
/// before the steps go on.
void setContextLost(bool lost) {
    if (lost == pacing.lost) {
        return;
    }
    pacing.lost = lost;
    pacing.singleSteps = 0;
    if (!pacing.lost) {
        drawAfresh();
    }
    rearm();
}

/// Once the program has quit, a restored context gets its last frame back,
/// and nothing runs after it.
void redraw() {
    drawAfresh();
}

void tellStructure() {
    bridge::structureShown(trypage::structureJson(SCENE.heap));
}

void setTrying(bool trying) {
    if (trying == pacing.trying) {
        return;
    }
    pacing.trying = trying;
    pacing.singleSteps = 0;
    glutDisplayFunc(trying ? displayTrying : display);
    if (!trying && !pacing.lost) {
        // The scene as it was left, not a step further, until the timer's.
        glClear(GL_COLOR_BUFFER_BIT);
        drawHeap(kRootBox.width, kRootBox.height, kRootBox.x, kRootBox.y, SCENE.heap.root);
        glFlush();
    }
    rearm();
}

} // namespace webcontrols
