// SPDX-License-Identifier: MIT
// Keyboard, mouse and signal handlers: they report what happened on standard
// output and never touch the scene.
#ifndef VIEWER_HANDLERS_H
#define VIEWER_HANDLERS_H

/// q or Q quits with status 0 (the scene's teardown runs at exit); p reports
/// itself. Every other key only flushes.
void keyboard(unsigned char key, int x, int y);
/// Reports the left and right buttons, on press and again on release.
void mouse(int button, int state, int x, int y);
/// Reports a caught signal. Async-signal-safe: one write(2) of a line
/// formatted by hand, errno left as it was found.
void sigHandler(int sig);

#endif // VIEWER_HANDLERS_H
