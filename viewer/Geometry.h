// SPDX-License-Identifier: MIT
// Where the boxes and labels of the tree picture go, in drawing units.
//
// Pure arithmetic, no GL: the drawing code asks these functions and only
// issues the calls.
#ifndef VIEWER_GEOMETRY_H
#define VIEWER_GEOMETRY_H

#include <cstddef>

/// A node's box: its size and centre. All halving is integer division.
struct Box {
    int width;
    int height;
    int x;
    int y;
};

/// The window is square, this many pixels a side, and a drawing unit is very
/// nearly one pixel.
constexpr int kWindowSide = 400;

/// The root's box: the top half of the window.
constexpr Box kRootBox{kWindowSide, kWindowSide / 2, kWindowSide / 2, kWindowSide * 3 / 4};

/// The box under the left half of parent: half as wide and tall, centred
/// (width / 2) / 2 to the left and h2 + h2 / 2 below, with h2 = height / 2.
Box leftChildBox(const Box& parent);
/// As leftChildBox, but under the right half.
Box rightChildBox(const Box& parent);

/// The corners of a box's rectangle, in drawing order: (left, bottom),
/// (left, top), (right, top), (right, bottom).
struct Corners {
    int left;
    int bottom;
    int right;
    int top;
};
Corners boxCorners(const Box& box);

/// The bitmap font a label is drawn in, chosen by the box height.
enum class LabelFont { None, Small, Large };
/// Helvetica 18 from a height of 18, Helvetica 10 from 10, nothing below.
LabelFont labelFontFor(int size);

/// Where a label of length characters starts inside box, if it has one.
struct LabelPlacement {
    bool shown;
    float x;
    float y;
};
/// The text starts a fixed allowance per character left of the box centre
/// (4.5 units with the large font, 3 with the small) rather than a measured
/// width; its baseline is 9 or 5 units below the centre.
LabelPlacement labelPlacement(const Box& box, std::size_t length);

/// The deepest level the picture draws: 8 levels, 255 boxes.
constexpr int kDrawnDepth = 7;

/// The box of level-order position (from 0 at the root), down to kDrawnDepth.
Box boxOfPosition(int position);

/// The inverse: the level-order position (from 0) whose box holds the point
/// (x, y) in drawing units, or -1 when none down to kDrawnDepth does. A point
/// on an edge two boxes share belongs to the lower or the right one, so
/// every point is in one box at most.
int positionAt(int x, int y);

#endif // VIEWER_GEOMETRY_H
