// SPDX-License-Identifier: MIT
// OpenGL's immediate mode, the part the program draws with, over WebGL 1:
// what the bitmap text in WebGlut.cpp reads of it and adds to it.
#ifndef VIEWER_WEB_IMMEDIATEMODE_H
#define VIEWER_WEB_IMMEDIATEMODE_H

#include <cstdint>

/// What glRasterPos needs to place text: the current colour, the two
/// matrices (column-major) and the viewport.
struct ImmediateState {
    const std::uint8_t* colour; ///< r, g, b, a from 0 to 255
    const float* modelview;     ///< 16 values
    const float* projection;    ///< 16 values
    const int* viewport;        ///< x, y, width, height
};
ImmediateState immediateState();

/// Fills width x height window pixels from (x, y), the bottom-left one, with
/// rgba, over whatever the frame draws before it, as a scissored clear would.
void fillWindowPixels(int x, int y, int width, int height, const std::uint8_t* rgba);

/// Forgets every WebGL object and setting made for the old context, after the
/// browser took it away: they are made afresh for the new one on first use.
void webGlutForgetState();

#endif // VIEWER_WEB_IMMEDIATEMODE_H
