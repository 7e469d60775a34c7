// SPDX-License-Identifier: MIT
// heap-view as its users see it: the real program on a private X server,
// driven by XTest input, window-manager messages and signals, and judged by
// its window's pixels, its output lines and its exit status.
#include "BoxTable.h"
#include "Geometry.h"

#include <gtest/gtest.h>

// After gtest: Xlib's macros (None, Bool, True...) would break its headers.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Lines = std::vector<std::string>;

// A sanitized heap-view starts several times slower and the machine may be
// busy building: waits are generous, and end as soon as their condition holds.
// Quitting takes the pause under way, a frame and the teardown.
constexpr auto kStartTimeout = 20s, kOutputTimeout = 5s, kQuitTimeout = 3s;
constexpr auto kStepPeriod = 250ms;
constexpr int kSide = kWindowSide; // the window is kSide x kSide pixels

const std::string kPLine = "user pressed the p key";
const std::string kLeftLine = "user clicked the left mouse button";
const std::string kRightLine = "user clicked the right mouse button";
const std::string kCaughtLine = "caught signal 12";
const std::string kResumedLine = "sig detected... resuming timer.";

struct Rgb {
    int r, g, b;
    bool red() const { return r > 200 && g < 60 && b < 60; }
    bool white() const { return r > 200 && g > 200 && b > 200; }
    bool black() const { return r < 60 && g < 60 && b < 60; }
    bool redOrBlack() const { return red() || black(); }
};
using Colour = bool (Rgb::*)() const;

/// The window's contents at one moment, in X coordinates (origin top-left).
struct Picture {
    std::vector<Rgb> pixels = std::vector<Rgb>(kSide * kSide, Rgb{0, 0, 255}); // blue: unread

    Rgb at(int x, int y) const { return pixels[static_cast<std::size_t>(y * kSide + x)]; }
    /// The pixel under a point in drawing units: origin bottom-left, and a
    /// unit is 399/400 of a pixel because the viewport is one pixel short.
    Rgb atUnits(int ux, int uy) const {
        return at(ux * (kSide - 1) / kSide, kSide - 1 - uy * (kSide - 1) / kSide);
    }
    int count(int x0, int y0, int x1, int y1, Colour colour) const {
        int n = 0;
        for (int y = y0; y <= y1; ++y) {
            for (int x = x0; x <= x1; ++x) {
                n += (at(x, y).*colour)() ? 1 : 0;
            }
        }
        return n;
    }
    bool all(int x0, int y0, int x1, int y1, Colour colour) const {
        return count(x0, y0, x1, y1, colour) == (x1 - x0 + 1) * (y1 - y0 + 1);
    }
};

/// How many items the picture shows: the boxes of level-order positions 1..n
/// red, the rest white, each sampled just inside two opposite corners, clear
/// of outlines and labels; -1 if they are not so. Only depths 0 to 5 (63
/// positions) are big enough to sample.
int itemsShown(const Picture& picture) {
    int shown = 0;
    bool gap = false;
    for (int position = 1; position <= 63; ++position) {
        const ExpectedBox& box = expectedBox(position);
        const int hw = box.width / 2, hh = box.height / 2;
        const Rgb topLeft = picture.atUnits(box.x - hw + 2, box.y + hh - 2);
        const Rgb bottomRight = picture.atUnits(box.x + hw - 2, box.y - hh + 2);
        if (topLeft.red() && bottomRight.red() && !gap) {
            shown = position;
        } else if (topLeft.white() && bottomRight.white()) {
            gap = true;
        } else {
            return -1;
        }
    }
    return shown;
}

/// Runs heap-view as a child process and plays its user.
class HeapView : public ::testing::Test {
  protected:
    using Env = std::map<std::string, std::optional<std::string>>; // nullopt: unset

    void SetUp() override {
        // One connection for the whole run: an X server resets when its last
        // client leaves, and refuses connections meanwhile.
        static Display* const shared = XOpenDisplay(nullptr);
        display_ = shared;
        ASSERT_NE(display_, nullptr) << "no X display; run under xvfb-run";
        // The window vanishes under our feet whenever the program quits or dies.
        XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    }

    void TearDown() override {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        // A normal run writes nothing to standard error: no warning from the
        // libraries, no error, no sanitizer report.
        pump();
        EXPECT_TRUE(errorsExpected_ || errText_.empty()) << "standard error:\n" << errText_;
        for (int fd : {out_, err_}) {
            close(fd); // -1 when never opened: harmless
        }
    }

    /// Starts heap-view with args and an edited environment, its stdout and
    /// stderr piped back here.
    void launch(const Lines& args = {}, Env env = {}) {
#ifdef HEAP_VIEW_SANITIZED
        // The GL driver leaks; only the leak check looks at leaks, so that
        // every other exit status stays the program's own.
        env.emplace("ASAN_OPTIONS", "detect_leaks=0");
#endif
        // env(1) edits the environment and then becomes heap-view, same pid.
        Lines argv{"/usr/bin/env"};
        for (bool assignments : {false, true}) { // its options come first
            for (const auto& [name, value] : env) {
                if (value.has_value() == assignments) {
                    argv.push_back(value ? name + "=" + *value : "--unset=" + name);
                }
            }
        }
        argv.push_back(HEAP_VIEW_PATH);
        argv.insert(argv.end(), args.begin(), args.end());
        // Built before forking, so the child only makes async-signal-safe calls.
        std::vector<char*> pointers;
        for (std::string& arg : argv) {
            pointers.push_back(arg.data());
        }
        pointers.push_back(nullptr);
        int pipes[2][2]; // stdout, stderr
        ASSERT_TRUE(pipe2(pipes[0], O_CLOEXEC) == 0 && pipe2(pipes[1], O_CLOEXEC) == 0);
        pid_ = fork();
        ASSERT_GE(pid_, 0);
        if (pid_ == 0) {
            dup2(open("/dev/null", O_RDONLY), STDIN_FILENO);
            dup2(pipes[0][1], STDOUT_FILENO);
            dup2(pipes[1][1], STDERR_FILENO);
            for (int fd : closedStreams_) {
                close(fd);
            }
            execv(pointers[0], pointers.data());
            _exit(127);
        }
        for (int* ends : pipes) {
            close(ends[1]);
            fcntl(ends[0], F_SETFL, O_NONBLOCK);
        }
        out_ = pipes[0][0];
        err_ = pipes[1][0];
    }

    /// Collects what the program has written: whole stdout lines into lines_
    /// (a line still being written waits in partial_), stderr as it comes.
    void pump() {
        char buffer[4096];
        for (auto [fd, text] : {std::pair{out_, &partial_}, std::pair{err_, &errText_}}) {
            for (ssize_t n; fd >= 0 && (n = read(fd, buffer, sizeof buffer)) > 0;) {
                text->append(buffer, static_cast<std::size_t>(n));
            }
        }
        for (std::size_t end; (end = partial_.find('\n')) != std::string::npos;) {
            lines_.push_back(partial_.substr(0, end));
            partial_.erase(0, end + 1);
        }
    }

    bool waitUntil(const std::function<bool()>& done, Clock::duration timeout) {
        const auto deadline = Clock::now() + timeout;
        for (pump(); !done(); pump()) {
            if (Clock::now() > deadline) {
                return false;
            }
            std::this_thread::sleep_for(10ms);
        }
        return true;
    }

    /// True once the child has ended; its wait status is then in status_.
    bool ended() {
        if (pid_ > 0 && waitpid(pid_, &status_, WNOHANG) == pid_) {
            pid_ = -1; // reaped: TearDown must not signal a recycled id
        }
        return pid_ <= 0;
    }

    /// Expects the child to exit with code within timeout.
    void expectExit(int code, Clock::duration timeout) {
        const bool done = waitUntil([&] { return ended(); }, timeout);
        pump();
        ASSERT_TRUE(done) << "still running " << std::chrono::duration<double>(timeout).count()
                          << " s later";
        EXPECT_TRUE(WIFEXITED(status_) && WEXITSTATUS(status_) == code)
            << "wait status " << status_;
    }

    /// Waits for the top-level window titled "Heap View" to be mapped with
    /// the first frame in it: the root box across the top half, in red.
    bool awaitWindow() {
        const bool shown = waitUntil(
            [&] {
                window_ = findWindow();
                XWindowAttributes attributes;
                if (ended() || window_ == 0 ||
                    XGetWindowAttributes(display_, window_, &attributes) == 0 ||
                    attributes.map_state != IsViewable) {
                    return ended();
                }
                const Picture now = picture();
                return now.at(200, 20).red() && now.at(20, 180).red();
            },
            kStartTimeout);
        firstFrameSeen_ = Clock::now();
        EXPECT_TRUE(shown && !ended())
            << "no drawn window; wait status " << status_ << ", stderr:\n"
            << errText_;
        return shown && !ended();
    }

    Window findWindow() {
        Window root, parent, *children = nullptr, found = 0;
        unsigned int count = 0;
        if (XQueryTree(display_, DefaultRootWindow(display_), &root, &parent, &children, &count)) {
            for (unsigned int i = 0; i < count && found == 0; ++i) {
                char* name = nullptr;
                if (XFetchName(display_, children[i], &name) && name != nullptr) {
                    found = std::string(name) == "Heap View" ? children[i] : 0;
                    XFree(name);
                }
            }
            XFree(children);
        }
        return found;
    }

    Picture picture() {
        Picture picture;
        if (XImage* image = XGetImage(display_, window_, 0, 0, kSide, kSide, AllPlanes, ZPixmap)) {
            for (int y = 0; y < kSide; ++y) {
                for (int x = 0; x < kSide; ++x) {
                    const unsigned long p = XGetPixel(image, x, y); // 24-bit TrueColor
                    picture.pixels[static_cast<std::size_t>(y * kSide + x)] = {
                        static_cast<int>((p >> 16) & 0xff), static_cast<int>((p >> 8) & 0xff),
                        static_cast<int>(p & 0xff)};
                }
            }
            XDestroyImage(image);
        }
        return picture;
    }

    /// Points at the window and gives it the keyboard, as a click would.
    void focus() {
        XTestFakeMotionEvent(display_, -1, 600, 550, CurrentTime);
        XSetInputFocus(display_, window_, RevertToPointerRoot, CurrentTime);
        XSync(display_, False);
    }
    void key(KeySym symbol, bool shifted = false) {
        const KeyCode shift = XKeysymToKeycode(display_, XK_Shift_L);
        const KeyCode code = XKeysymToKeycode(display_, symbol);
        const KeyCode strokes[] = {shift, code, code, shift}; // two presses, two releases
        for (int i = shifted ? 0 : 1; i < (shifted ? 4 : 3); ++i) {
            XTestFakeKeyEvent(display_, strokes[i], i < 2 ? True : False, CurrentTime);
        }
        XSync(display_, False);
    }
    void click(unsigned int button) {
        XTestFakeButtonEvent(display_, button, True, CurrentTime);
        XTestFakeButtonEvent(display_, button, False, CurrentTime);
        XSync(display_, False);
    }

    /// The lines that an input makes. Input is handled in arrival order
    /// between pauses, so a `p` typed after it marks the moment it has been
    /// dealt with: no guessed wait, and nothing can come later.
    Lines linesFrom(const std::function<void()>& input) {
        const std::size_t before = lines_.size();
        input();
        key(XK_p);
        waitUntil([&] { return lines_.size() > before && lines_.back() == kPLine; },
                  kOutputTimeout);
        Lines got(lines_.begin() + static_cast<std::ptrdiff_t>(before), lines_.end());
        if (!got.empty() && got.back() == kPLine) {
            got.pop_back();
        }
        return got;
    }

    /// Starts the program, waits for its window, quits by input and expects
    /// status 0 soon after.
    void expectQuitsWith(const std::function<void()>& input, Env env = {}) {
        ASSERT_NO_FATAL_FAILURE(launch({}, std::move(env)));
        ASSERT_TRUE(awaitWindow());
        input();
        expectExit(0, kQuitTimeout);
    }

    /// Found by its title; Xvfb runs no window manager, so the geometry is the
    /// program's own request.
    void expectPlacedAsDesigned() {
        XWindowAttributes attributes;
        ASSERT_NE(XGetWindowAttributes(display_, window_, &attributes), 0);
        EXPECT_EQ(std::pair(attributes.width, attributes.height), std::pair(kSide, kSide));
        int x = -1, y = -1;
        Window child;
        XTranslateCoordinates(display_, window_, DefaultRootWindow(display_), 0, 0, &x, &y, &child);
        EXPECT_EQ(std::pair(x, y), std::pair(400, 350));
    }

    Display* display_ = nullptr;
    Window window_ = 0;
    pid_t pid_ = -1;
    int status_ = 0, out_ = -1, err_ = -1;
    std::string partial_, errText_;
    bool errorsExpected_ = false;    ///< The test makes the program fail on purpose.
    std::vector<int> closedStreams_; ///< Standard descriptors the program starts without.
    Lines lines_;
    Clock::time_point firstFrameSeen_;
};

/// A freshly started program with its first frame on the screen.
class Started : public HeapView {
  protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(HeapView::SetUp());
        ASSERT_NO_FATAL_FAILURE(launch());
        ASSERT_TRUE(awaitWindow());
        focus();
    }
};

using Animation = Started;

TEST_F(Animation, WindowIsTitledHeapViewSized400AndPlacedAt400_350) {
    expectPlacedAsDesigned();
}

TEST_F(Animation, TreeGrowsFromTheRootBoxLevelByLevel) {
    // First frame: one red box over the top half, its label near the centre.
    const Picture first = picture();
    const int early = itemsShown(first);
    ASSERT_TRUE(early == 1 || early == 2) << early; // a slow run may be one frame on
    EXPECT_TRUE(first.all(3, 3, 396, 196, &Rgb::redOrBlack));
    EXPECT_GT(first.count(3, 3, 396, 196, &Rgb::red), kSide * 180);
    EXPECT_GT(first.count(175, 85, 230, 112, &Rgb::black), 10) << "no label near the centre";
    EXPECT_TRUE(first.all(203, 203, 399, 399, &Rgb::white)) << "bottom right drawn too early";
    EXPECT_TRUE(early != 1 || first.all(0, 203, 399, 399, &Rgb::white)) << "bottom half not white";

    // About seven steps later two more levels are in, nothing below them yet.
    std::this_thread::sleep_for(1750ms);
    const Picture later = picture();
    const int grown = itemsShown(later);
    EXPECT_TRUE(grown >= 5 && grown <= 10) << grown;
    for (int centre : {100, 300}) { // depth 1: 150 units up, X y 250
        EXPECT_TRUE(later.at(centre - 60, 250).red() && later.at(centre + 60, 250).red());
        EXPECT_GT(later.count(centre - 20, 238, centre + 25, 262, &Rgb::black), 10) << centre;
    }
    EXPECT_GT(later.count(196, 240, 203, 240, &Rgb::black), 0)
        << "no outline between depth-1 boxes";
    EXPECT_TRUE(later.all(305, 352, 399, 399, &Rgb::white)) << "depth 3 right drawn too early";
}

using Input = Started;

TEST_F(Input, OnlyPAndLeftAndRightClicksPrint) {
    EXPECT_EQ(linesFrom([&] { key(XK_p); }), Lines{kPLine});
    // A click prints on press and on release.
    EXPECT_EQ(linesFrom([&] { click(Button1); }), (Lines{kLeftLine, kLeftLine}));
    EXPECT_EQ(linesFrom([&] { click(Button3); }), (Lines{kRightLine, kRightLine}));
    for (unsigned int button : {Button2, Button4, Button5}) { // middle and wheel
        EXPECT_EQ(linesFrom([&] { click(button); }), Lines{}) << "button " << button;
    }
    const std::pair<KeySym, bool> silentKeys[] = {{XK_p, true},     {XK_x, false},
                                                  {XK_1, false},    {XK_space, false},
                                                  {XK_Left, false}, {XK_F1, false}};
    for (const auto& stroke : silentKeys) {
        EXPECT_EQ(linesFrom([&] { key(stroke.first, stroke.second); }), Lines{})
            << XKeysymToString(stroke.first) << (stroke.second ? " shifted" : "");
    }
}

using Signals = Started;

TEST_F(Signals, SignalIsReportedThenThePauseResumes) {
    // Nearly all the time is the pause; a signal that lands in the frame work
    // between pauses has no pause to resume and prints its first line alone.
    const Lines both{kCaughtLine, kResumedLine};
    Lines got;
    for (int attempt = 0; attempt < 5 && got != both; ++attempt) {
        const std::size_t before = lines_.size();
        ASSERT_EQ(kill(pid_, SIGUSR2), 0);
        waitUntil([&] { return lines_.size() >= before + 2; }, 1s);
        got.assign(lines_.begin() + static_cast<std::ptrdiff_t>(before), lines_.end());
        ASSERT_TRUE(got == both || got == Lines{kCaughtLine}) << testing::PrintToString(got);
    }
    EXPECT_EQ(got, both);
    EXPECT_FALSE(ended());
}

TEST_F(Signals, BurstIsCaughtWholeWithoutSpeedingTheAnimationUp) {
    // Pending signals of one kind coalesce, so each goes only once the one
    // before has been reported, and at least 20 ms after it: then every one
    // of them must be caught.
    constexpr int kSignals = 50;
    for (int i = 1; i <= kSignals; ++i) {
        const auto sent = Clock::now();
        ASSERT_EQ(kill(pid_, SIGUSR2), 0);
        ASSERT_TRUE(
            waitUntil([&] { return std::count(lines_.begin(), lines_.end(), kCaughtLine) >= i; },
                      kOutputTimeout))
            << "signal " << i << " not reported";
        std::this_thread::sleep_until(sent + 20ms);
    }
    waitUntil([] { return false; }, 300ms); // the last resume notice

    // Every line whole and known, each resume notice after its signal's line.
    // A few signals land in the frame work, outside the pause: no notice.
    int caught = 0, resumed = 0;
    for (const std::string& line : lines_) {
        ASSERT_TRUE(line == kCaughtLine || line == kResumedLine) << "stray line: " << line;
        (line == kCaughtLine ? caught : resumed) += 1;
        ASSERT_LE(resumed, caught) << "resume notice before its signal";
    }
    EXPECT_EQ(partial_, "") << "unfinished line";
    EXPECT_EQ(caught, kSignals);
    EXPECT_GE(resumed, kSignals / 2) << "pauses not resumed";

    // The pace, read off the screen: each step adds a box, one full pause
    // apart. Pauses cut short by the burst would add about a box per signal;
    // pauses restarted in full would add none while it lasts. So the boxes
    // follow the time since the first frame: at most one per 250 ms (plus two
    // for having seen that frame late), at least 60% of that however loaded
    // the machine is.
    const double periods =
        (Clock::now() - firstFrameSeen_) / std::chrono::duration<double>(kStepPeriod);
    const int shown = itemsShown(picture());
    EXPECT_LE(shown, 1 + periods + 2) << "steps come faster than one per 250 ms";
    EXPECT_GE(shown, 1 + 0.6 * periods) << "animation stalled";
    EXPECT_FALSE(ended());
}

using Quitting = HeapView;

TEST_F(Quitting, WindowManagerCloseExitsWithStatusZero) {
    expectQuitsWith([&] {
        // As a window manager does, and only because the window asks for it.
        const Atom deleteWindow = XInternAtom(display_, "WM_DELETE_WINDOW", False);
        Atom* protocols = nullptr;
        int count = 0;
        ASSERT_NE(XGetWMProtocols(display_, window_, &protocols, &count), 0);
        EXPECT_NE(std::find(protocols, protocols + count, deleteWindow), protocols + count);
        XFree(protocols);
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window_;
        event.xclient.message_type = XInternAtom(display_, "WM_PROTOCOLS", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] = static_cast<long>(deleteWindow);
        event.xclient.data.l[1] = CurrentTime;
        XSendEvent(display_, window_, False, NoEventMask, &event);
        XSync(display_, False);
    });
}

TEST_F(Quitting, WindowDestroyedByAnotherClientExitsWithStatusZero) {
    // As `xdotool windowclose` does: no message, the window is just gone.
    expectQuitsWith([&] {
        XDestroyWindow(display_, window_);
        XSync(display_, False);
    });
}

TEST_F(Quitting, LowerCaseQExitsWithStatusZero) {
    expectQuitsWith([&] { focus(), key(XK_q); });
}

TEST_F(Quitting, UpperCaseQExitsWithStatusZero) {
    expectQuitsWith([&] { focus(), key(XK_q, true); });
}

/// An X server of the test's own, that can be killed under the program
/// without taking the test's connection with it.
class PrivateServer {
  public:
    PrivateServer() {
        int ready[2]; // Xvfb writes its display number here once it listens
        if (pipe2(ready, O_CLOEXEC) != 0) {
            return;
        }
        // Built before forking, so the child only makes async-signal-safe calls.
        const std::string fd = std::to_string(kReadyFd);
        pid_ = fork();
        if (pid_ == 0) {
            const int null = open("/dev/null", O_RDWR);
            dup2(null, STDIN_FILENO), dup2(null, STDOUT_FILENO), dup2(null, STDERR_FILENO);
            dup2(ready[1], kReadyFd); // a dup is left open across exec
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-nolisten", "tcp", "-screen", "0",
                   "1024x768x24", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(ready[1]);
        std::string number;
        pollfd wait{ready[0], POLLIN, 0};
        for (char c; pid_ > 0 && poll(&wait, 1, 10000) == 1 && read(ready[0], &c, 1) == 1 &&
                     c != '\n';) {
            number += c;
        }
        close(ready[0]);
        display_ = number.empty() ? "" : ":" + number;
    }
    ~PrivateServer() { kill(); }
    PrivateServer(const PrivateServer&) = delete;
    PrivateServer& operator=(const PrivateServer&) = delete;

    /// The server's display name, empty if it did not start.
    const std::string& display() const { return display_; }
    void kill() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
    }

  private:
    static constexpr int kReadyFd = 9;
    pid_t pid_ = -1;
    std::string display_;
};

TEST_F(Quitting, LostXServerEndsItWithStatusOneAndNoXError) {
    PrivateServer server;
    ASSERT_NE(server.display(), "") << "Xvfb did not start";
    ASSERT_NO_FATAL_FAILURE(launch({}, {{"DISPLAY", server.display()}}));
    // Watched through a connection of its own, closed before the server dies.
    Display* watching = XOpenDisplay(server.display().c_str());
    ASSERT_NE(watching, nullptr);
    std::swap(display_, watching);
    const bool shown = awaitWindow();
    std::swap(display_, watching);
    XCloseDisplay(watching);
    ASSERT_TRUE(shown);

    server.kill();
    errorsExpected_ = true;
    ASSERT_NO_FATAL_FAILURE(expectExit(1, kQuitTimeout));
    // Xlib tells that the connection is gone; nothing else may follow from
    // the teardown: no X error, no sanitizer report, no crash.
    EXPECT_NE(errText_.find(server.display()), std::string::npos) << errText_;
    for (const char* fault : {"X Error", "ERROR: AddressSanitizer", "runtime error"}) {
        EXPECT_EQ(errText_.find(fault), std::string::npos) << errText_;
    }
}

TEST_F(Quitting, QuitDuringGrowthLeaksNothingOfTheProgram) {
#ifndef HEAP_VIEW_SANITIZED
    GTEST_SKIP() << "leaks are checked in the sanitized build";
#else
    namespace fs = std::filesystem;
    const fs::path dir =
        fs::temp_directory_path() / ("heap-view-leaks." + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    // Reports go to a file; exitcode=0 leaves the status the program's own.
    // The sleep lets a few items in while most table entries are still empty.
    expectQuitsWith([&] { std::this_thread::sleep_for(1s), focus(), key(XK_q); },
                    {{"ASAN_OPTIONS", "detect_leaks=1:log_path=" + (dir / "report").string()},
                     {"LSAN_OPTIONS", "exitcode=0"}});

    // The GL driver leaks from modules it has already unloaded; those stacks
    // stop at "<unknown module>". A leak is the program's when a frame of its
    // stack is in the program's own sources or names its own code.
    const std::string source = HEAP_VIEW_SOURCE_DIR;
    const Lines ours{source + "/viewer/", source + "/heap/", "GraphicsScene",  "stepScene",
                     "MinBinaryHeap",     "IntNodeData",     "BinaryHeapNode", "main.cpp"};
    for (const auto& file : fs::directory_iterator(dir)) {
        std::stringstream text;
        text << std::ifstream(file.path()).rdbuf();
        const std::string report = text.str();
        // exitcode=0 would hide these too.
        EXPECT_EQ(report.find("ERROR: AddressSanitizer"), std::string::npos) << report;
        EXPECT_EQ(report.find("runtime error"), std::string::npos) << report;
        for (std::size_t at = report.find("leak of"), next; at != std::string::npos; at = next) {
            next = report.find("leak of", at + 1);
            const std::string leak = report.substr(at, next - at);
            for (const std::string& mark : ours) {
                EXPECT_EQ(leak.find(mark), std::string::npos) << leak;
            }
        }
    }
    fs::remove_all(dir);
#endif
}

class Environment : public HeapView {
  protected:
    /// GLUT reports the display it cannot open and exits with status 1.
    void expectDisplayFailure(const std::optional<std::string>& display) {
        errorsExpected_ = true;
        launch({}, {{"DISPLAY", display}});
        ASSERT_NO_FATAL_FAILURE(expectExit(1, kStartTimeout));
        EXPECT_NE(errText_.find("failed to open display"), std::string::npos) << errText_;
    }
    void expectArgumentsIgnored(const Lines& args) {
        launch(args);
        ASSERT_TRUE(awaitWindow());
        expectPlacedAsDesigned();
    }
};

TEST_F(Environment, WithoutDisplayVariableFailsWithStatusOne) {
    expectDisplayFailure(std::nullopt);
}

TEST_F(Environment, WithUnreachableDisplayFailsWithStatusOne) {
    expectDisplayFailure(":999");
}

TEST_F(Environment, ClosedStandardStreamsLeaveEverythingButTheMessagesWorking) {
    // A closed descriptor would be the next one opened, the X connection's.
    for (const std::vector<int>& closed :
         {std::vector<int>{STDOUT_FILENO},
          std::vector<int>{STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}}) {
        SCOPED_TRACE(testing::PrintToString(closed));
        closedStreams_ = closed;
        ASSERT_NO_FATAL_FAILURE(launch());
        ASSERT_TRUE(awaitWindow());
        focus();
        // Everything that writes a message, then the animation still going.
        key(XK_p);
        click(Button1);
        ASSERT_EQ(kill(pid_, SIGUSR2), 0);
        const int before = itemsShown(picture());
        waitUntil([&] { return ended() || itemsShown(picture()) > before + 2; }, kOutputTimeout);
        EXPECT_GT(itemsShown(picture()), before + 2) << "the animation stopped";
        key(XK_q);
        ASSERT_NO_FATAL_FAILURE(expectExit(0, kQuitTimeout));
        EXPECT_EQ(lines_, Lines{});
        for (int* fd : {&out_, &err_}) {
            close(*fd);
            *fd = -1;
        }
    }
}

TEST_F(Environment, GeometryOptionHasNoEffect) {
    expectArgumentsIgnored({"-geometry", "200x100+10+20"});
}

TEST_F(Environment, OtherArgumentsAreIgnored) {
    expectArgumentsIgnored({"foo", "--bar"});
}

} // namespace
