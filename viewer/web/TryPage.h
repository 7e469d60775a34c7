// SPDX-License-Identifier: MIT
// The page's "Try it": the learner's session, and its frames drawn on the
// canvas with the program's own drawing. The bridge (Bridge.cpp) forwards the
// page's input here and hands back what to show as JSON text.
#ifndef VIEWER_WEB_TRYPAGE_H
#define VIEWER_WEB_TRYPAGE_H

#include <tryit/Lesson.h>

#include <string>
#include <vector>

class MinBinaryHeap;

namespace trypage {

/// The operations the page's buttons run, as the bridge numbers them.
enum class Action : int { Insert, Extract, Change, Remove, Build, Sort, Random, Clear };

/// Reads a lesson link's parameters; messages get a line per malformed part
/// and per skipped operation. Returns whether the link asks for "Try it".
bool open(const tryit::LinkParameters& parameters, std::vector<std::string>& messages);

/// Runs an action on what the learner sees at frame: "" when it ran, else the
/// one line saying why not, with nothing changed. value and values are the
/// fields' text; way is 0 for bottom-up, 1 for one by one; seed for Random.
std::string run(Action action, std::size_t frame, int position, const std::string& value,
                const std::string& values, int way, unsigned seed);

/// "Ask me first": the question to ask before run() with the same arguments,
/// as JSON {"text", "how" (a build), "position"}, or "" when there is none.
/// It is kept until answered by check() or checkCounts(), which score it and
/// return {"right", "text", "score"} as JSON ("" with no question pending).
std::string ask(Action action, std::size_t frame, int position, const std::string& value,
                const std::string& values, int way, unsigned seed);
std::string check(int position);
std::string checkCounts(unsigned bottomUp, unsigned oneByOne);

/// A fresh heap of that kind holding the values shown at frame, built
/// bottom-up, so that switching kind keeps the learner's values.
void setKind(bool max, std::size_t frame);

/// Draws frame on the canvas (clamped) and returns it as JSON for the page.
std::string show(std::size_t frame);
/// Draws the frame last shown again (GLUT's display callback in "Try it")
/// and returns it as JSON.
std::string redraw();

std::size_t frameCount();
std::size_t previousOperation(std::size_t frame);
std::size_t nextOperation(std::size_t frame);
/// "Link to this moment": the query string, without '?'.
std::string link(std::size_t frame);

/// The heap's node records as JSON, for the "Linked structure" view: the
/// first kStructureNodes nodes along next, each [value, parent, leftChild,
/// rightChild, prev, next] as indices along next (-1 for null, -2 for a node
/// not shown), with "count", "root" and "last" (an index, -1 or -2).
inline constexpr int kStructureNodes = 31;
std::string structureJson(const MinBinaryHeap& heap);

/// The boxes of positions 0 .. count - 1 as JSON [[left, bottom, right, top], ...],
/// in drawing units, for the page's marks.
std::string boxesJson(int count);

} // namespace trypage

#endif // VIEWER_WEB_TRYPAGE_H
