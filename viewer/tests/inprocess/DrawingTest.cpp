// SPDX-License-Identifier: MIT
// Draws known heaps into a real GLUT window (under Xvfb, Mesa's software
// renderer) and reads the front buffer back. Positions are in drawing units:
// with the viewport one pixel short, a unit is 399/400 of a pixel, so edges
// are sampled with a pixel of slack rather than exactly. The frame cycle's
// pause lives in the same GL layer and is tested here too.
#include "Drawing.h"
#include "BoxTable.h"
#include "FrameCycle.h"
#include "Geometry.h"

#include <GL/freeglut.h>
#include <gtest/gtest.h>

// After gtest: Xlib's macros (None, Bool, True...) would break its headers.
#include <GL/glx.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <dlfcn.h>
#include <link.h>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kSide = kWindowSide;

int pix(double unit) {
    return static_cast<int>(std::floor(unit * (kSide - 1) / kSide));
}

struct Rect { // inclusive, in pixels
    int x0, y0, x1, y1;
    int area() const { return (x1 - x0 + 1) * (y1 - y0 + 1); }
};
const Rect kWhole{0, 0, kSide - 1, kSide - 1};

/// The pixels of a box, margin pixels in from where its edges fall.
Rect inside(const ExpectedBox& box, int margin) {
    const int hw = box.width / 2, hh = box.height / 2;
    return Rect{pix(box.x - hw) + margin, pix(box.y - hh) + margin, pix(box.x + hw) - margin,
                pix(box.y + hh) - margin};
}

/// Where a label's ink may be: len advances of at most 11 (large font) or 7
/// (small) pixels from its start, a glyph height of 13 or 8 up from its
/// baseline, and a pixel of slack all round.
Rect labelArea(const ExpectedBox& box, int len) {
    const double start = box.labelX(static_cast<std::size_t>(len));
    return Rect{pix(start) - 1, pix(box.labelY) - 1, pix(start) + (box.large() ? 11 : 7) * len + 1,
                pix(box.labelY) + (box.large() ? 13 : 8)};
}

/// Keeps every library loaded so far mapped until the process ends; called
/// once the window is up, so the GL driver is among them. Mesa unloads its
/// driver at exit, before the leak checker runs, and what the driver still
/// holds would then be reported against an unnamed module that no suppression
/// can match. Pinning them all needs no driver names, which differ between
/// Mesa releases (dri/swrast_dri.so, libgallium-<version>.so).
void pinLoadedLibraries() {
    std::vector<std::string> libraries;
    dl_iterate_phdr(
        [](dl_phdr_info* info, std::size_t, void* found) {
            // Only files: not the program itself ("") nor the vDSO (no path).
            if (std::strchr(info->dlpi_name, '/') != nullptr) {
                static_cast<std::vector<std::string>*>(found)->emplace_back(info->dlpi_name);
            }
            return 0;
        },
        &libraries);
    for (const std::string& library : libraries) {
        dlopen(library.c_str(), RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE);
    }
}

enum class Colour { White, Red, Black, Other };

struct Frame {
    std::vector<std::uint8_t> rgb = std::vector<std::uint8_t>(kSide * kSide * 3);

    Colour at(int x, int y) const {
        const std::uint8_t* p = &rgb[(static_cast<std::size_t>(y) * kSide + x) * 3];
        const bool grey = p[0] == p[1] && p[1] == p[2];
        return grey && p[0] == 0                       ? Colour::Black
               : grey && p[0] == 255                   ? Colour::White
               : p[0] == 255 && p[1] == 0 && p[2] == 0 ? Colour::Red
                                                       : Colour::Other;
    }
    /// Pixels of r outside hole that have colour c.
    int count(const Rect& r, Colour c, const Rect& hole = Rect{-1, -1, -2, -2}) const {
        int n = 0;
        for (int y = std::max(r.y0, 0); y <= std::min(r.y1, kSide - 1); ++y) {
            for (int x = std::max(r.x0, 0); x <= std::min(r.x1, kSide - 1); ++x) {
                const bool holed = x >= hole.x0 && x <= hole.x1 && y >= hole.y0 && y <= hole.y1;
                n += !holed && at(x, y) == c ? 1 : 0;
            }
        }
        return n;
    }
    int firstBlackColumn(const Rect& r) const {
        int x = r.x0;
        while (x <= r.x1 && count(Rect{x, r.y0, x, r.y1}, Colour::Black) == 0) {
            ++x;
        }
        return x;
    }
};

class Drawing : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        int argc = 1;
        char name[] = "viewer_drawing_tests";
        char* argv[] = {name, nullptr};
        glutInit(&argc, argv);
        glutInitDisplayMode(GLUT_RGBA | GLUT_SINGLE);
        glutInitWindowSize(kSide, kSide);
        window = glutCreateWindow("Heap View test");
        pinLoadedLibraries();
        // The callback draws nothing: it only tells that the window is up.
        glutDisplayFunc([] { shown = true; });
        for (int i = 0; i < 5000 && !shown; ++i) { // up to 5 s for a slow server
            glutMainLoopEvent();
            std::this_thread::sleep_for(std::chrono::milliseconds(shown ? 0 : 1));
        }
        init();
        reshape(kSide, kSide);
    }
    static void TearDownTestSuite() {
        // GLUT destroys the window with the context still current on it and
        // unbinds the context only when it closes the display; Mesa 25 then
        // writes the front buffer out to the window that is gone (X error
        // BadDrawable in X_ShmPutImage, status 1). Unbound first, the context
        // is written out while its window is still there.
        glXMakeCurrent(glXGetCurrentDisplay(), None, nullptr);
        glutDestroyWindow(window);
        glutExit();
    }
    void SetUp() override { ASSERT_TRUE(shown) << "the window never came up"; }

    /// Clears, draws from the given box a heap of the n values first, first + 1,
    /// ... inserted in that order, so its level order is the insertion order,
    /// and reads the result.
    static Frame draw(int first, int n, const ExpectedBox& root = expectedBox(1)) {
        std::vector<std::unique_ptr<IntNodeData>> items; // outlive the heap
        MinBinaryHeap heap;
        for (int v = first; v < first + n; ++v) {
            heap.insert(items.emplace_back(std::make_unique<IntNodeData>(v)).get());
        }
        glClear(GL_COLOR_BUFFER_BIT);
        drawHeap(root.width, root.height, root.x, root.y, heap.root);
        glFlush();
        glFinish();
        Frame frame;
        glReadBuffer(GL_FRONT);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, kSide, kSide, GL_RGB, GL_UNSIGNED_BYTE, frame.rgb.data());
        return frame;
    }

    static inline int window = 0;
    static inline bool shown = false;
};

TEST_F(Drawing, NullRootDrawsNothing) {
    EXPECT_EQ(draw(0, 0).count(kWhole, Colour::White), kWhole.area());
}

TEST_F(Drawing, OneItemFillsTheTopHalfWithAnOutlinedLabelledBox) {
    const Frame frame = draw(7, 1);
    const Rect interior = inside(expectedBox(1), 2);
    const Rect label = labelArea(expectedBox(1), 1);
    EXPECT_GT(frame.count(label, Colour::Black), 10);
    EXPECT_EQ(frame.count(interior, Colour::Red, label), interior.area() - label.area());
    EXPECT_NEAR(frame.firstBlackColumn(label), 196, 1) << "4.5 units left of x 200, + bearing";

    // Bottom, top and right outlines, each within a pixel of where it falls.
    // (The left edge lies on the window's first pixel boundary.)
    for (int u = 10; u < 390; u += 10) {
        EXPECT_GT(frame.count(Rect{u, 198, u, 200}, Colour::Black), 0) << u;
        EXPECT_GT(frame.count(Rect{u, 397, u, 399}, Colour::Black), 0) << u;
        EXPECT_GT(frame.count(Rect{397, u / 2 + 201, 399, u / 2 + 201}, Colour::Black), 0) << u;
    }
    EXPECT_EQ(frame.count(Rect{0, 0, kSide - 1, 197}, Colour::White), kSide * 198);
    EXPECT_EQ(frame.count(kWhole, Colour::Other), 0);
}

TEST_F(Drawing, NegativeLabelCountsItsMinusSign) {
    const Rect area = labelArea(expectedBox(1), 2);
    const int plus = draw(7, 1).firstBlackColumn(area);
    const Frame frame = draw(-7, 1);
    const int minus = frame.firstBlackColumn(area);
    EXPECT_NEAR(minus, area.x0 + 2, 1);
    EXPECT_GE(plus - minus, 4);
    EXPECT_EQ(frame.count(inside(expectedBox(1), 2), Colour::Black, area), 0);
}

TEST_F(Drawing, FullHeapLabelsDownToDepthFourAndBoxesDownToSeven) {
    const Frame frame = draw(0, 200);
    for (int i = 0; i < 200; ++i) {
        const ExpectedBox& box = expectedBox(i + 1);
        SCOPED_TRACE(::testing::Message() << "item " << i << ", depth " << box.depth);
        const Rect interior = inside(box, box.depth < 6 ? 2 : 1);
        if (box.labelled()) {
            const Rect label = labelArea(box, i < 10 ? 1 : 2);
            EXPECT_GT(frame.count(label, Colour::Black), 4);
            EXPECT_EQ(frame.count(interior, Colour::Black, label), 0);
            EXPECT_GT(frame.count(interior, Colour::Red), interior.area() / 2);
        } else if (box.depth <= 6) {
            EXPECT_EQ(frame.count(interior, Colour::Red), interior.area());
        } else {
            // A 3 x 1 box is a short line: ink in each of its columns.
            for (int column = pix(box.x) - 1; column <= pix(box.x) + 1; ++column) {
                const Rect below{column, box.y - 2, column, box.y};
                EXPECT_LT(frame.count(below, Colour::White), 3) << column;
            }
        }
    }
    // Nothing below the lowest level, nor in the gap between depth-4 boxes of
    // different parents (units 49 to 51).
    EXPECT_EQ(frame.count(Rect{0, 0, kSide - 1, 3}, Colour::White), kSide * 4);
    EXPECT_EQ(frame.count(Rect{49, 8, 49, 23}, Colour::White), 16);
    EXPECT_EQ(frame.count(kWhole, Colour::Other), 0);
}

TEST_F(Drawing, PartialLevelLeavesItsRightWhite) {
    // 100 items: depth 6 holds 37 boxes, the last at position 100.
    const Frame frame = draw(0, 100);
    const ExpectedBox& last = expectedBox(100);
    EXPECT_GT(frame.count(inside(last, 1), Colour::Red), 0);
    const Rect beyond{pix(last.x + last.width / 2) + 2, 0, kSide - 1, 6};
    EXPECT_EQ(frame.count(beyond, Colour::White), beyond.area());
}

TEST_F(Drawing, BottomLevelBoxIsAShortLine) {
    // Drawn on its own: in a full tree the bottom outlines of depth 6 cover it.
    ExpectedBox bottom = expectedBox(128);
    bottom.x = 200;
    bottom.y = 100;
    const Frame frame = draw(5, 1, bottom);
    const Rect line{pix(199) - 1, 98, pix(201) + 1, 100};
    EXPECT_GE(frame.count(line, Colour::Black), 2);
    EXPECT_EQ(frame.count(kWhole, Colour::White, line), kWhole.area() - line.area());
}

TEST(FramePause, FailedPauseReportsItsReasonAndReturns) {
    testing::internal::CaptureStderr();
    sleepFor(-1); // a negative nanosecond count: nanosleep fails with EINVAL
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Error occurred with nanosleep; reason = " + std::string(std::strerror(EINVAL)) +
                  "\n");
}

} // namespace
