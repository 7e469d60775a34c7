// SPDX-License-Identifier: MIT
// What the browser build needs from GLUT and OpenGL and Emscripten leaves out:
// the Helvetica 10 and 18 bitmap fonts, glRasterPos2f and glutBitmapCharacter.
//
// The glyphs are GLUT's own, read back from its bitmaps (Glyphs.inc), for the
// characters a label can hold. A glyph's ink is drawn as whole rectangles of
// pixels in window coordinates, which puts every pixel exactly where glBitmap
// would, whatever the projection.
#include "ImmediateMode.h"

#include <GL/glut.h>

#include <cmath>
#include <cstddef>
#include <cstdint>

namespace {

struct Glyph {
    char character;
    int advance;      ///< How far the raster position moves right.
    int left;         ///< Leftmost ink column, relative to the raster position.
    int bottom;       ///< Lowest ink row, relative to the raster position.
    const char* rows; ///< Top row first, '\n' between rows, '#' for ink.
};

#include "Glyphs.inc"

/// The raster position in window coordinates, and the colour it was set in,
/// as glRasterPos keeps them.
struct Raster {
    bool valid = false;
    float x = 0.0F;
    float y = 0.0F;
    std::uint8_t colour[4] = {255, 255, 255, 255};
};
Raster raster;

/// out = m * v for a column-major 4x4 matrix, as GL stores them.
void transform(const float* m, const GLfloat (&v)[4], GLfloat (&out)[4]) {
    for (int row = 0; row < 4; ++row) {
        out[row] = m[row] * v[0] + m[4 + row] * v[1] + m[8 + row] * v[2] + m[12 + row] * v[3];
    }
}

/// A glyph's ink as rectangles of pixels relative to its origin: each row's
/// runs, merged with the same run in the rows below. A digit's strokes are
/// mostly vertical, so this takes a third of the rectangles that runs alone would.
struct InkRect {
    int x;
    int y;
    int width;
    int height;
};
constexpr int kMaxInkRects = 48;
struct GlyphInk {
    int count = -1; ///< -1 until worked out
    InkRect rects[kMaxInkRects];
};

void workOutInk(const Glyph& glyph, GlyphInk& ink) {
    constexpr int kMaxSide = 32;
    bool cells[kMaxSide][kMaxSide] = {};
    int rowCount = 0;
    int column = 0;
    for (const char* c = glyph.rows; rowCount < kMaxSide; ++c) {
        if (*c == '\n' || *c == '\0') {
            ++rowCount;
            column = 0;
            if (*c == '\0') {
                break;
            }
        } else if (column < kMaxSide) {
            cells[rowCount][column++] = *c == '#';
        }
    }
    ink.count = 0;
    bool covered[kMaxSide][kMaxSide] = {};
    for (int row = 0; row < rowCount; ++row) {
        for (int x = 0; x < kMaxSide; ++x) {
            if (!cells[row][x] || covered[row][x]) {
                continue;
            }
            int width = 1;
            while (x + width < kMaxSide && cells[row][x + width]) {
                ++width;
            }
            // The same run, no wider, in the rows below.
            const auto sameRun = [&](int below) {
                for (int i = 0; i < width; ++i) {
                    if (!cells[below][x + i]) {
                        return false;
                    }
                }
                return (x == 0 || !cells[below][x - 1]) &&
                       (x + width == kMaxSide || !cells[below][x + width]);
            };
            int height = 1;
            while (row + height < rowCount && sameRun(row + height)) {
                ++height;
            }
            for (int r = row; r < row + height; ++r) {
                for (int i = 0; i < width; ++i) {
                    covered[r][x + i] = true;
                }
            }
            if (ink.count < kMaxInkRects) {
                // Rows count down from the top; GL's y goes up from the bottom row.
                ink.rects[ink.count++] = {glyph.left + x, glyph.bottom + rowCount - row - height,
                                          width, height};
            }
            x += width - 1;
        }
    }
}

/// Fills the glyph's ink pixels with the raster colour, the glyph's origin at
/// window pixel (x, y).
void drawGlyph(const Glyph& glyph, GlyphInk& ink, int x, int y) {
    if (ink.count < 0) {
        workOutInk(glyph, ink);
    }
    for (int i = 0; i < ink.count; ++i) {
        const InkRect& rect = ink.rects[i];
        fillWindowPixels(x + rect.x, y + rect.y, rect.width, rect.height, raster.colour);
    }
}

/// Each font's glyphs, and their ink once worked out.
template <std::size_t N> struct Font {
    const Glyph (&glyphs)[N];
    GlyphInk ink[N];
};
Font<sizeof kHelvetica10 / sizeof kHelvetica10[0]> helvetica10{kHelvetica10, {}};
Font<sizeof kHelvetica18 / sizeof kHelvetica18[0]> helvetica18{kHelvetica18, {}};

/// Draws character in font at the raster position, if the font has it.
template <std::size_t N> bool drawFrom(Font<N>& font, int character, int x, int y) {
    for (std::size_t i = 0; i < N; ++i) {
        if (font.glyphs[i].character == character) {
            drawGlyph(font.glyphs[i], font.ink[i], x, y);
            raster.x += static_cast<float>(font.glyphs[i].advance);
            return true;
        }
    }
    return false;
}

} // namespace

// GLUT's font handles are the addresses of these; only the addresses matter.
extern "C" {
void* glutBitmapHelvetica10 = nullptr;
void* glutBitmapHelvetica18 = nullptr;

void glRasterPos2f(GLfloat x, GLfloat y) {
    const ImmediateState gl = immediateState();
    const GLfloat object[4] = {x, y, 0.0F, 1.0F};
    GLfloat eye[4];
    GLfloat clip[4];
    transform(gl.modelview, object, eye);
    transform(gl.projection, eye, clip);
    // A position outside the clip volume makes the raster position invalid:
    // bitmaps then draw nothing until it is set again.
    raster.valid = true;
    for (int axis = 0; axis < 3; ++axis) {
        raster.valid = raster.valid && std::fabs(clip[axis]) <= clip[3];
    }
    if (!raster.valid) {
        return;
    }
    const int* viewport = gl.viewport;
    raster.x = static_cast<float>(viewport[0]) + (clip[0] / clip[3] + 1.0F) * viewport[2] / 2.0F;
    raster.y = static_cast<float>(viewport[1]) + (clip[1] / clip[3] + 1.0F) * viewport[3] / 2.0F;
    for (int i = 0; i < 4; ++i) {
        raster.colour[i] = gl.colour[i];
    }
}

void glutBitmapCharacter(void* font, int character) {
    if (!raster.valid) {
        return;
    }
    // glBitmap's own rounding: the small epsilon keeps a position a hair
    // below a pixel boundary from landing one pixel short.
    const float epsilon = 0.0001F;
    const int x = static_cast<int>(std::floor(raster.x + epsilon));
    const int y = static_cast<int>(std::floor(raster.y + epsilon));
    if (font == GLUT_BITMAP_HELVETICA_10) {
        drawFrom(helvetica10, character, x, y);
    } else if (font == GLUT_BITMAP_HELVETICA_18) {
        drawFrom(helvetica18, character, x, y);
    }
}
}
