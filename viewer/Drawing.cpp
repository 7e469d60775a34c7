// SPDX-License-Identifier: MIT
#include "Drawing.h"

#include "Geometry.h"

#include <GL/glut.h>

#include <cstdio>

namespace {

/// A box is filled with this colour and outlined in black.
void setElementColour() {
    glColor3ub(255, 0, 0);
}

void setInkColour() {
    glColor3ub(0, 0, 0);
}

/// One pass over the box's rectangle in the given mode, leaving the colour
/// black for whatever follows: the outline after the fill, the label after
/// the outline.
void traceBox(GLenum mode, const Corners& corners) {
    glBegin(mode);
    glVertex2i(corners.left, corners.bottom);
    glVertex2i(corners.left, corners.top);
    glVertex2i(corners.right, corners.top);
    glVertex2i(corners.right, corners.bottom);
    glEnd();
    setInkColour();
}

void* glutFont(LabelFont font) {
    return font == LabelFont::Large ? GLUT_BITMAP_HELVETICA_18 : GLUT_BITMAP_HELVETICA_10;
}

} // namespace

void drawHeap(int width, int height, int x, int y, BinaryHeapNode* node) {
    if (node == nullptr) {
        return;
    }
    setElementColour();
    drawElement(node, width, height, x, y);
    const Box box{width, height, x, y};
    const Box left = leftChildBox(box);
    const Box right = rightChildBox(box);
    drawHeap(left.width, left.height, left.x, left.y, node->leftChild);
    drawHeap(right.width, right.height, right.x, right.y, node->rightChild);
}

void drawElement(BinaryHeapNode* node, int width, int height, int x, int y) {
    const Box box{width, height, x, y};
    const Corners corners = boxCorners(box);
    traceBox(GL_POLYGON, corners);
    traceBox(GL_LINE_LOOP, corners);

    char label[128];
    const int written =
        std::snprintf(label, sizeof label, "%d", static_cast<IntNodeData*>(node->data)->value);
    const LabelPlacement placement = labelPlacement(box, static_cast<std::size_t>(written));
    if (!placement.shown) {
        return;
    }
    renderBitmapString(placement.x, placement.y, label, height);
}

void renderBitmapString(float x, float y, char* text, int size) {
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_LINE_SMOOTH);
    glRasterPos2f(x, y);
    // Below the smallest font's threshold no character is drawn at all.
    const LabelFont font = labelFontFor(size);
    if (font != LabelFont::None) {
        for (const char* c = text; *c != '\0'; ++c) {
            glutBitmapCharacter(glutFont(font), *c);
        }
    }
    glDisable(GL_LINE_SMOOTH);
    glDisable(GL_BLEND);
}
