// SPDX-License-Identifier: MIT
// What the page's platform layer asks of the GLUT completion in WebGlut.cpp.
#ifndef VIEWER_WEB_WEBGLUT_H
#define VIEWER_WEB_WEBGLUT_H

/// Forgets the GL state the bitmap text keeps (the clear colour and scissor it
/// borrows), to be read afresh from a new context after a lost one.
void webGlutForgetState();

#endif // VIEWER_WEB_WEBGLUT_H
