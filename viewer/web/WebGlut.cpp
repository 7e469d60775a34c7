// SPDX-License-Identifier: MIT
// What the browser build needs from GLUT and OpenGL and Emscripten leaves out:
// the Helvetica 10 and 18 bitmap fonts, glRasterPos2f and glutBitmapCharacter.
//
// The glyphs are GLUT's own, read back from its bitmaps (Glyphs.inc), for the
// characters a label can hold. A glyph's ink is drawn as one-pixel-high
// scissored clears in window coordinates, which puts every pixel exactly where
// glBitmap would, whatever the projection.
#include <GL/glut.h>
#include <emscripten.h>

#include <cmath>
#include <cstddef>

namespace {

struct Glyph {
    char character;
    int advance; ///< How far the raster position moves right.
    int left;    ///< Leftmost ink column, relative to the raster position.
    int bottom;  ///< Lowest ink row, relative to the raster position.
    const char* rows; ///< Top row first, '\n' between rows, '#' for ink.
};

#include "Glyphs.inc"

/// The raster position in window coordinates, and the colour it was set in,
/// as glRasterPos keeps them.
struct Raster {
    bool valid = false;
    float x = 0.0F;
    float y = 0.0F;
    GLfloat colour[4] = {1.0F, 1.0F, 1.0F, 1.0F};
};
Raster raster;

// Emscripten's immediate-mode emulation keeps the current colour on the
// JavaScript side only.
EM_JS(void, readCurrentColour, (GLfloat * rgba), {
    HEAPF32.set(GLImmediate.clientColor, rgba >> 2);
});

/// out = m * v for a column-major 4x4 matrix, as GL stores them.
void transform(const GLfloat (&m)[16], const GLfloat (&v)[4], GLfloat (&out)[4]) {
    for (int row = 0; row < 4; ++row) {
        out[row] = m[row] * v[0] + m[4 + row] * v[1] + m[8 + row] * v[2] + m[12 + row] * v[3];
    }
}

template <std::size_t N> const Glyph* findIn(const Glyph (&glyphs)[N], int character) {
    for (const Glyph& glyph : glyphs) {
        if (glyph.character == character) {
            return &glyph;
        }
    }
    return nullptr;
}

/// Fills the glyph's ink pixels with the raster colour, the glyph's origin at
/// window pixel (x, y).
void drawGlyph(const Glyph& glyph, int x, int y) {
    GLboolean scissoring = glIsEnabled(GL_SCISSOR_TEST);
    GLint scissorBox[4];
    GLfloat clearColour[4];
    glGetIntegerv(GL_SCISSOR_BOX, scissorBox);
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColour);

    glEnable(GL_SCISSOR_TEST);
    glClearColor(raster.colour[0], raster.colour[1], raster.colour[2], raster.colour[3]);
    int rowCount = 1;
    for (const char* c = glyph.rows; *c != '\0'; ++c) {
        rowCount += *c == '\n' ? 1 : 0;
    }
    int row = y + glyph.bottom + rowCount - 1;
    int column = 0;
    for (const char* c = glyph.rows;; ++c) {
        if (*c == '#') {
            int run = 1;
            while (c[run] == '#') {
                ++run;
            }
            glScissor(x + glyph.left + column, row, run, 1);
            glClear(GL_COLOR_BUFFER_BIT);
            c += run - 1;
            column += run;
        } else if (*c == '.') {
            ++column;
        } else if (*c == '\n') {
            --row;
            column = 0;
        } else {
            break;
        }
    }

    glClearColor(clearColour[0], clearColour[1], clearColour[2], clearColour[3]);
    glScissor(scissorBox[0], scissorBox[1], scissorBox[2], scissorBox[3]);
    if (scissoring == GL_FALSE) {
        glDisable(GL_SCISSOR_TEST);
    }
}

} // namespace

// GLUT's font handles are the addresses of these; only the addresses matter.
extern "C" {
void* glutBitmapHelvetica10 = nullptr;
void* glutBitmapHelvetica18 = nullptr;

void glRasterPos2f(GLfloat x, GLfloat y) {
    GLfloat modelview[16];
    GLfloat projection[16];
    GLint viewport[4];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);

    const GLfloat object[4] = {x, y, 0.0F, 1.0F};
    GLfloat eye[4];
    GLfloat clip[4];
    transform(modelview, object, eye);
    transform(projection, eye, clip);
    // A position outside the clip volume makes the raster position invalid:
    // bitmaps then draw nothing until it is set again.
    raster.valid = true;
    for (int axis = 0; axis < 3; ++axis) {
        raster.valid = raster.valid && std::fabs(clip[axis]) <= clip[3];
    }
    if (!raster.valid) {
        return;
    }
    raster.x = static_cast<float>(viewport[0]) + (clip[0] / clip[3] + 1.0F) * viewport[2] / 2.0F;
    raster.y = static_cast<float>(viewport[1]) + (clip[1] / clip[3] + 1.0F) * viewport[3] / 2.0F;
    readCurrentColour(raster.colour);
}

void glutBitmapCharacter(void* font, int character) {
    const Glyph* glyph = nullptr;
    if (font == GLUT_BITMAP_HELVETICA_10) {
        glyph = findIn(kHelvetica10, character);
    } else if (font == GLUT_BITMAP_HELVETICA_18) {
        glyph = findIn(kHelvetica18, character);
    }
    if (glyph == nullptr || !raster.valid) {
        return;
    }
    // glBitmap's own rounding: the small epsilon keeps a position a hair
    // below a pixel boundary from landing one pixel short.
    const float epsilon = 0.0001F;
    drawGlyph(*glyph, static_cast<int>(std::floor(raster.x + epsilon)),
              static_cast<int>(std::floor(raster.y + epsilon)));
    raster.x += static_cast<float>(glyph->advance);
}
}
