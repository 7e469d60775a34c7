// SPDX-License-Identifier: MIT
// GLUT's window callbacks and the paced frame cycle that drives the animation.
#ifndef VIEWER_FRAMECYCLE_H
#define VIEWER_FRAMECYCLE_H

/// The pause the idle callback takes before each frame.
constexpr long kFramePauseNs = 250'000'000L;

/// The browser's frame timer: the same pause, in milliseconds.
constexpr unsigned int kFramePauseMs = kFramePauseNs / 1'000'000L;

/// One-time GL state of the new window: a white clear colour.
void init();
/// Maps drawing units onto the window, origin bottom-left, y up.
void reshape(int width, int height);
/// One animation step and one frame.
void display();
/// Idle callback: pauses, then asks for the next frame.
void update();
/// Sleeps for nanoseconds in all, resuming with the time left when a signal
/// interrupts; any other failure is reported on standard error and cuts the
/// pause short.
void sleepFor(long nanoseconds);

#endif // VIEWER_FRAMECYCLE_H
