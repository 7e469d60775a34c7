// SPDX-License-Identifier: MIT
#include "Geometry.h"

namespace {

/// A child's box, offset horizontally by sign * (width / 2) / 2. Each step is
/// its own integer division, so odd sizes lose their halves level by level.
Box childBox(const Box& parent, int sign) {
    const int w2 = parent.width / 2;
    const int h2 = parent.height / 2;
    return Box{w2, h2, parent.x + sign * (w2 / 2), parent.y - h2 - h2 / 2};
}

} // namespace

Box leftChildBox(const Box& parent) {
    return childBox(parent, -1);
}

Box rightChildBox(const Box& parent) {
    return childBox(parent, +1);
}

Corners boxCorners(const Box& box) {
    const int hw = box.width / 2;
    const int hh = box.height / 2;
    return Corners{box.x - hw, box.y - hh, box.x + hw, box.y + hh};
}

LabelFont labelFontFor(int size) {
    if (size >= 18) {
        return LabelFont::Large;
    }
    if (size >= 10) {
        return LabelFont::Small;
    }
    return LabelFont::None;
}

LabelPlacement labelPlacement(const Box& box, std::size_t length) {
    const int len = static_cast<int>(length);
    switch (labelFontFor(box.height)) {
    case LabelFont::Large:
        return LabelPlacement{true, static_cast<float>(box.x - len * 4.5),
                              static_cast<float>(box.y - 9)};
    case LabelFont::Small:
        return LabelPlacement{true, static_cast<float>(box.x - 3 * len),
                              static_cast<float>(box.y - 5)};
    case LabelFont::None:
        break;
    }
    return LabelPlacement{false, 0.0F, 0.0F};
}

Box boxOfPosition(int position) {
    // Replay the turns from the root: position p's children are 2p+1, 2p+2.
    int turns[kDrawnDepth + 1];
    int depth = 0;
    for (int p = position; p > 0 && depth <= kDrawnDepth; p = (p - 1) / 2) {
        turns[depth++] = p % 2 == 0 ? 1 : 0;
    }
    Box box = kRootBox;
    while (depth > 0) {
        box = turns[--depth] != 0 ? rightChildBox(box) : leftChildBox(box);
    }
    return box;
}

int positionAt(int x, int y) {
    // The root's box is the top half; each box's children share the strip
    // under it, halved at its centre: descend until the point is inside.
    Box box = kRootBox;
    int position = 0;
    for (int depth = 0; depth <= kDrawnDepth; ++depth) {
        const Corners c = boxCorners(box);
        if (x < c.left || x >= c.right) {
            return -1;
        }
        if (y >= c.bottom && y < c.top) {
            return position;
        }
        if (y >= c.top) {
            return -1;
        }
        const bool right = x >= box.x;
        box = right ? rightChildBox(box) : leftChildBox(box);
        position = 2 * position + (right ? 2 : 1);
    }
    return -1;
}
