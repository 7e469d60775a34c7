// SPDX-License-Identifier: MIT
// Ends the program once its one window is gone.
#ifndef VIEWER_WINDOWWATCH_H
#define VIEWER_WINDOWWATCH_H

/// Exits with status 0, as a close from the window manager does (the scene's
/// teardown runs at exit), once another client has destroyed the current
/// window. GLUT itself ignores that: the program would go on with no window,
/// unseen and unstoppable. Called from the idle callback; the first call
/// starts watching.
void exitIfWindowDestroyed();

#endif // VIEWER_WINDOWWATCH_H
