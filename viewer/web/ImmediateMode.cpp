// SPDX-License-Identifier: MIT
// OpenGL's immediate mode over WebGL 1, as much of it as the program draws
// with: glBegin, glVertex2i and glEnd for polygons, fans, triangles and
// lines, glColor3ub, and the projection and modelview matrices set by
// glMatrixMode, glLoadIdentity and glOrtho.
//
// A frame's primitives are kept until glFlush (or a glClear, or a change of
// matrix) and then drawn in three batches: every filled primitive, every
// line, and the pixels the bitmap text filled. A WebGL draw costs the same
// whether it has four vertices or four thousand, so a frame of 200 boxes
// takes three draws instead of four hundred. The batches change the order of
// drawing only between a box's outline and its children's or siblings'
// fills, which meet it along the same lines the later box's own outline
// draws again, and text lies inside its box, away from every edge: the frame
// comes out pixel for pixel as in drawing order. Each primitive is
// transformed as the fixed-function pipeline does it, by the modelview
// matrix and then the projection, in the shader.
#include "ImmediateMode.h"

#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>
#include <emscripten.h>
#include <emscripten/html5.h>

#include <cstdint>
#include <cstdio>
#include <vector>

// The WebGL calls these replace, under Emscripten's second names for them.
extern "C" {
void emscripten_glClear(GLbitfield mask);
void emscripten_glFlush();
void emscripten_glEnable(GLenum capability);
void emscripten_glDisable(GLenum capability);
void emscripten_glViewport(GLint x, GLint y, GLsizei width, GLsizei height);
}

namespace {

/// One vertex as the shader takes it: a position and a colour.
struct Vertex {
    float x;
    float y;
    std::uint8_t rgba[4];
};

struct Matrix {
    float m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
};

struct State {
    std::uint8_t colour[4] = {255, 255, 255, 255};
    Matrix modelview;
    Matrix projection;
    Matrix* current = &modelview; ///< the one glMatrixMode chose
    int viewport[4] = {};

    GLenum mode = 0;               ///< of the primitive between glBegin and glEnd
    std::vector<Vertex> primitive; ///< its vertices so far

    // The frame so far, in the order the batches are drawn.
    std::vector<Vertex> fills;  ///< triangles, in drawing units
    std::vector<Vertex> lines;  ///< segments, in drawing units
    std::vector<Vertex> pixels; ///< triangles, in window pixels
    bool warned = false;        ///< about a primitive this layer cannot draw
};
State state;

/// The WebGL objects, made on first use in each context.
struct Objects {
    GLuint program = 0;
    GLuint buffer = 0;
    GLint modelview = -1;
    GLint projection = -1;
};
Objects objects;

constexpr GLuint kPosition = 0;
constexpr GLuint kColour = 1;

// The fixed-function pipeline's arithmetic: eye position from the modelview
// matrix, then clip position from the projection.
const char* const kVertexShader = R"(
attribute vec4 a_position;
attribute vec4 a_color;
varying vec4 v_color;
uniform mat4 u_modelView;
uniform mat4 u_projection;
void main() {
  vec4 ecPosition = u_modelView * a_position;
  gl_Position = u_projection * ecPosition;
  v_color = a_color;
})";
const char* const kFragmentShader = R"(
precision mediump float;
varying vec4 v_color;
void main() {
  gl_FragColor = v_color;
})";

GLuint compile(GLenum type, const char* source) {
    const GLuint shader = glCreateShader(type);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    return shader;
}

void makeObjects() {
    const GLuint vertex = compile(GL_VERTEX_SHADER, kVertexShader);
    const GLuint fragment = compile(GL_FRAGMENT_SHADER, kFragmentShader);
    objects.program = glCreateProgram();
    glAttachShader(objects.program, vertex);
    glAttachShader(objects.program, fragment);
    glBindAttribLocation(objects.program, kPosition, "a_position");
    glBindAttribLocation(objects.program, kColour, "a_color");
    glLinkProgram(objects.program);
    glDeleteShader(vertex);
    glDeleteShader(fragment);
    objects.modelview = glGetUniformLocation(objects.program, "u_modelView");
    objects.projection = glGetUniformLocation(objects.program, "u_projection");
    glGenBuffers(1, &objects.buffer);
}

/// glOrtho's matrix, multiplied onto m.
void multiplyOrtho(Matrix& m, double left, double right, double bottom, double top, double near,
                   double far) {
    const double ortho[16] = {2.0 / (right - left),
                              0,
                              0,
                              0,
                              0,
                              2.0 / (top - bottom),
                              0,
                              0,
                              0,
                              0,
                              -2.0 / (far - near),
                              0,
                              -(right + left) / (right - left),
                              -(top + bottom) / (top - bottom),
                              -(far + near) / (far - near),
                              1};
    float product[16];
    for (int column = 0; column < 4; ++column) {
        for (int row = 0; row < 4; ++row) {
            double sum = 0.0;
            for (int k = 0; k < 4; ++k) {
                sum += static_cast<double>(m.m[k * 4 + row]) * ortho[column * 4 + k];
            }
            product[column * 4 + row] = static_cast<float>(sum);
        }
    }
    for (int i = 0; i < 16; ++i) {
        m.m[i] = product[i];
    }
}

/// Draws batch as mode under the two matrices, and empties it.
void drawBatch(std::vector<Vertex>& batch, GLenum mode, const Matrix& modelview,
               const Matrix& projection) {
    if (batch.empty()) {
        return;
    }
    glUniformMatrix4fv(objects.modelview, 1, GL_FALSE, modelview.m);
    glUniformMatrix4fv(objects.projection, 1, GL_FALSE, projection.m);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(batch.size() * sizeof(Vertex)),
                 batch.data(), GL_STREAM_DRAW);
    glVertexAttribPointer(kPosition, 2, GL_FLOAT, GL_FALSE, sizeof(Vertex), nullptr);
    glVertexAttribPointer(kColour, 4, GL_UNSIGNED_BYTE, GL_TRUE, sizeof(Vertex),
                          reinterpret_cast<const void*>(offsetof(Vertex, rgba)));
    glDrawArrays(mode, 0, static_cast<GLsizei>(batch.size()));
    batch.clear();
}

/// Draws everything kept so far.
void drawKept() {
    if (state.fills.empty() && state.lines.empty() && state.pixels.empty()) {
        return;
    }
    if (objects.program == 0) {
        makeObjects();
    }
    glUseProgram(objects.program);
    glBindBuffer(GL_ARRAY_BUFFER, objects.buffer);
    glEnableVertexAttribArray(kPosition);
    glEnableVertexAttribArray(kColour);
    drawBatch(state.fills, GL_TRIANGLES, state.modelview, state.projection);
    drawBatch(state.lines, GL_LINES, state.modelview, state.projection);
    if (!state.pixels.empty()) {
        // Window pixels map one to one onto the whole drawing buffer.
        int width = 0;
        int height = 0;
        emscripten_webgl_get_drawing_buffer_size(emscripten_webgl_get_current_context(), &width,
                                                 &height);
        Matrix window;
        multiplyOrtho(window, 0.0, width, 0.0, height, -1.0, 1.0);
        emscripten_glViewport(0, 0, width, height);
        drawBatch(state.pixels, GL_TRIANGLES, Matrix{}, window);
        emscripten_glViewport(state.viewport[0], state.viewport[1], state.viewport[2],
                              state.viewport[3]);
    }
}

void addTriangle(std::vector<Vertex>& batch, const Vertex& a, const Vertex& b, const Vertex& c) {
    batch.push_back(a);
    batch.push_back(b);
    batch.push_back(c);
}

void addSegment(const Vertex& a, const Vertex& b) {
    state.lines.push_back(a);
    state.lines.push_back(b);
}

} // namespace

ImmediateState immediateState() {
    return {state.colour, state.modelview.m, state.projection.m, state.viewport};
}

void fillWindowPixels(int x, int y, int width, int height, const std::uint8_t* rgba) {
    Vertex corner{static_cast<float>(x), static_cast<float>(y), {}};
    for (int i = 0; i < 4; ++i) {
        corner.rgba[i] = rgba[i];
    }
    Vertex right = corner;
    right.x += static_cast<float>(width);
    Vertex top = corner;
    top.y += static_cast<float>(height);
    Vertex far = right;
    far.y = top.y;
    addTriangle(state.pixels, corner, right, far);
    addTriangle(state.pixels, corner, far, top);
}

void webGlutForgetState() {
    objects = Objects{};
}

extern "C" {

void glColor3ub(GLubyte red, GLubyte green, GLubyte blue) {
    const GLubyte bytes[4] = {red, green, blue, 255};
    for (int i = 0; i < 4; ++i) {
        state.colour[i] = bytes[i];
    }
}

void glBegin(GLenum mode) {
    state.mode = mode;
    state.primitive.clear();
}

void glVertex2i(GLint x, GLint y) {
    Vertex vertex{static_cast<float>(x), static_cast<float>(y), {}};
    for (int i = 0; i < 4; ++i) {
        vertex.rgba[i] = state.colour[i];
    }
    state.primitive.push_back(vertex);
}

void glEnd() {
    const std::vector<Vertex>& v = state.primitive;
    const std::size_t n = v.size();
    switch (state.mode) {
    case GL_POLYGON:
    case GL_TRIANGLE_FAN:
        for (std::size_t i = 1; i + 1 < n; ++i) {
            addTriangle(state.fills, v[0], v[i], v[i + 1]);
        }
        break;
    case GL_TRIANGLES:
        for (std::size_t i = 0; i + 2 < n; i += 3) {
            addTriangle(state.fills, v[i], v[i + 1], v[i + 2]);
        }
        break;
    case GL_LINES:
        for (std::size_t i = 0; i + 1 < n; i += 2) {
            addSegment(v[i], v[i + 1]);
        }
        break;
    case GL_LINE_STRIP:
    case GL_LINE_LOOP:
        for (std::size_t i = 0; i + 1 < n; ++i) {
            addSegment(v[i], v[i + 1]);
        }
        if (state.mode == GL_LINE_LOOP && n > 2) {
            addSegment(v[n - 1], v[0]);
        }
        break;
    default:
        if (!state.warned) {
            state.warned = true;
            std::fprintf(stderr, "glEnd: primitive 0x%x is not drawn in the browser\n", state.mode);
        }
        break;
    }
    state.mode = 0;
}

void glMatrixMode(GLenum mode) {
    state.current = mode == GL_PROJECTION ? &state.projection : &state.modelview;
}

void glLoadIdentity() {
    drawKept(); // what is kept was meant for the old matrix
    *state.current = Matrix{};
}

void glOrtho(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble near,
             GLdouble far) {
    drawKept();
    multiplyOrtho(*state.current, left, right, bottom, top, near, far);
}

void glViewport(GLint x, GLint y, GLsizei width, GLsizei height) {
    drawKept();
    state.viewport[0] = x;
    state.viewport[1] = y;
    state.viewport[2] = width;
    state.viewport[3] = height;
    emscripten_glViewport(x, y, width, height);
}

void glEnable(GLenum capability) {
    // Smooth lines are the desktop's, for its text; WebGL has none.
    if (capability != GL_LINE_SMOOTH) {
        emscripten_glEnable(capability);
    }
}

void glDisable(GLenum capability) {
    if (capability != GL_LINE_SMOOTH) {
        emscripten_glDisable(capability);
    }
}

void glClear(GLbitfield mask) {
    drawKept();
    emscripten_glClear(mask);
}

void glFlush() {
    drawKept();
    emscripten_glFlush();
}

} // extern "C"
