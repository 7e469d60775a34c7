// SPDX-License-Identifier: MIT
// Draws the heap's tree into the current frame as stacked, labelled boxes.
#ifndef VIEWER_DRAWING_H
#define VIEWER_DRAWING_H

#include <heap/BinaryHeap.h>

/// Draws the subtree under node, node's box centred at (x, y): depth first,
/// parent before children, left before right. A null node draws nothing.
void drawHeap(int width, int height, int x, int y, BinaryHeapNode* node);

/// Draws one box (a fill in the current colour, then a black outline) and its
/// item's value as a black label when the box is tall enough.
void drawElement(BinaryHeapNode* node, int width, int height, int x, int y);

/// Draws text from raster position (x, y) in the bitmap font that size
/// selects (Helvetica 18 from 18, Helvetica 10 from 10, nothing below).
void renderBitmapString(float x, float y, char* text, int size);

#endif // VIEWER_DRAWING_H
