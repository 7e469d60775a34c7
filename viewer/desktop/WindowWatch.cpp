// SPDX-License-Identifier: MIT
#include "WindowWatch.h"

#include <GL/glx.h>
#include <X11/Xlib.h>

#include <cstdlib>

namespace {

/// A connection of our own to the window's display: StructureNotify on GLUT's
/// connection would replace GLUT's own event mask for the window, while each
/// client may select its own.
Display* watcher = nullptr;
Window watched = 0;
bool watchFailed = false;
bool gone = false;

/// Notes the error that selecting input on a window already destroyed gets.
int noteError(Display* /*display*/, XErrorEvent* /*error*/) {
    gone = true;
    return 0;
}

XErrorHandler othersHandler = nullptr;

/// At exit GLUT tears down a window it still believes in: requests about it
/// fail now, and must not turn the exit into Xlib's fatal error. Any other
/// error goes where it went before.
int ignoreGoneWindow(Display* display, XErrorEvent* error) {
    return error->resourceid == watched || othersHandler == nullptr ? 0
                                                                    : othersHandler(display, error);
}

void startWatching() {
    Display* glut = glXGetCurrentDisplay();
    watched = glXGetCurrentDrawable();
    watcher = glut == nullptr || watched == 0 ? nullptr : XOpenDisplay(DisplayString(glut));
    if (watcher == nullptr) {
        watchFailed = true; // nothing to watch with: go on as before
        return;
    }
    // The window may be gone already. Xlib's error handler is the process's,
    // so ours stands in only while this connection's one request is answered.
    const XErrorHandler previous = XSetErrorHandler(noteError);
    XSelectInput(watcher, watched, StructureNotifyMask);
    XSync(watcher, False);
    XSetErrorHandler(previous);
}

} // namespace

/// Ends the program as a close does.
[[noreturn]] void exitForGoneWindow() {
    othersHandler = XSetErrorHandler(ignoreGoneWindow);
    std::exit(0);
}

void exitIfWindowDestroyed() {
    if (watcher == nullptr) {
        if (watchFailed) {
            return;
        }
        startWatching();
        if (watcher == nullptr) {
            return;
        }
    }
    if (gone) {
        exitForGoneWindow();
    }
    while (XPending(watcher) > 0) {
        XEvent event;
        XNextEvent(watcher, &event);
        if (event.type == DestroyNotify && event.xdestroywindow.window == watched) {
            exitForGoneWindow();
        }
    }
}
