// SPDX-License-Identifier: MIT
// The one place where C++ meets the page's script: every function the
// program imports from the page (EM_JS, answered by Module.heapViewPage in
// bridge.js) and every function the page calls in (Module._heapView...).
// Each only converts and forwards: the work is in Platform.cpp and TryPage.cpp.
#include "Bridge.h"

#include "Geometry.h"
#include "TryPage.h"

#include <emscripten.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// --- What the program asks and tells the page. Without the page (the
// program loaded on a bare page) the answers are the defaults.
EM_JS(double, pageSeed, (), {
    const page = Module['heapViewPage'];
    return page && page.seed !== null ? page.seed : -1;
});
EM_JS(int, pageStartsPaused, (), {
    const page = Module['heapViewPage'];
    return page && page.paused ? 1 : 0;
});
EM_JS(double, pageSpeed, (), {
    const page = Module['heapViewPage'];
    return page ? page.speed : 1;
});
EM_JS(int, pageStartsTrying, (), {
    const page = Module['heapViewPage'];
    return page && page.trying ? 1 : 0;
});
EM_JS(void, pageSeedInUse, (double seed), {
    const page = Module['heapViewPage'];
    if (page) page.seedInUse(seed);
});
EM_JS(void, pageFrameDrawn, (int step, const char* line, const std::int32_t* values, int count,
                             int changed), {
    const page = Module['heapViewPage'];
    if (page) page.frameDrawn(step, UTF8ToString(line), HEAP32.subarray(values >> 2,
                              (values >> 2) + count), changed);
});
/// The text of one of the page's strings (a field, a link parameter), or -1
/// when it has none; copied into buffer when it fits capacity (with its 0).
EM_JS(int, pageText, (const char* name, char* buffer, int capacity), {
    const page = Module['heapViewPage'];
    const text = page ? page.text(UTF8ToString(name)) : null;
    if (text === null || text === undefined) return -1;
    const length = lengthBytesUTF8(text);
    if (length < capacity) stringToUTF8(text, buffer, capacity);
    return length;
});
EM_JS(int, pageShowsStructure, (), {
    const page = Module['heapViewPage'];
    return page && page.showsStructure ? 1 : 0;
});
EM_JS(void, pageTell, (const char* what, const char* text), {
    const page = Module['heapViewPage'];
    if (page) page.tell(UTF8ToString(what), UTF8ToString(text));
});

namespace {

/// The page's string called name, if it has one.
bool text(const char* name, std::string& out) {
    std::vector<char> buffer(256);
    int length = pageText(name, buffer.data(), static_cast<int>(buffer.size()));
    if (length >= static_cast<int>(buffer.size())) {
        buffer.resize(static_cast<std::size_t>(length) + 1);
        length = pageText(name, buffer.data(), static_cast<int>(buffer.size()));
    }
    if (length < 0) {
        return false;
    }
    out.assign(buffer.data(), static_cast<std::size_t>(length));
    return true;
}

std::optional<std::string> parameter(const char* name) {
    std::string value;
    return text(name, value) ? std::optional<std::string>(value) : std::nullopt;
}

void tell(const char* what, const std::string& text) {
    pageTell(what, text.c_str());
}

std::size_t frameIndex(int frame) {
    return frame < 0 ? 0 : static_cast<std::size_t>(frame);
}

} // namespace

namespace bridge {

double askedSeed() {
    return pageSeed();
}
bool startsPaused() {
    return pageStartsPaused() != 0;
}
double askedSpeed() {
    return pageSpeed();
}
bool startsTrying() {
    return pageStartsTrying() != 0;
}
void seedInUse(double seed) {
    pageSeedInUse(seed);
}
void frameDrawn(int step, const std::string& line, const std::int32_t* values, int count,
                int changed) {
    pageFrameDrawn(step, line.c_str(), values, count, changed);
}

void structureShown(const std::string& records) {
    tell("structure", records);
}
bool showsStructure() {
    return pageShowsStructure() != 0;
}
void tryFrameShown(const std::string& frame) {
    tell("frame", frame);
}

} // namespace bridge

// --- What the page's controls call, as Module._heapView...().
extern "C" {

EMSCRIPTEN_KEEPALIVE void heapViewSetPaused(int paused) {
    webcontrols::setPaused(paused != 0);
}
EMSCRIPTEN_KEEPALIVE void heapViewStep() {
    webcontrols::stepOnce();
}
EMSCRIPTEN_KEEPALIVE void heapViewSetSpeed(double speed) {
    webcontrols::setSpeed(speed);
}
EMSCRIPTEN_KEEPALIVE void heapViewSetContextLost(int lost) {
    webcontrols::setContextLost(lost != 0);
}
EMSCRIPTEN_KEEPALIVE void heapViewRedraw() {
    webcontrols::redraw();
}

/// Tells the page Watch's node records now (the view was just opened).
EMSCRIPTEN_KEEPALIVE void heapViewWatchStructure() {
    webcontrols::tellStructure();
}

/// "Try it" (1) or "Watch" (0).
EMSCRIPTEN_KEEPALIVE void heapViewSetTrying(int trying) {
    webcontrols::setTrying(trying != 0);
}

/// Reads the lesson link's parameters (mode, heap, at, ops) from the page;
/// each problem is told as a message. Returns 1 when it asks for "Try it".
EMSCRIPTEN_KEEPALIVE int heapViewTryOpen() {
    tryit::LinkParameters parameters{parameter("mode"), parameter("heap"), parameter("at"),
                                     parameter("ops")};
    std::vector<std::string> messages;
    const bool trying = trypage::open(parameters, messages);
    for (const std::string& line : messages) {
        tell("message", line);
    }
    return trying ? 1 : 0;
}

/// Runs an action (trypage::Action) on what frame shows; the fields "value"
/// and "values" are read from the page. Returns 1 when it ran; a refusal is
/// told as a message.
EMSCRIPTEN_KEEPALIVE int heapViewTryRun(int action, int frame, int position, int way,
                                        unsigned seed) {
    std::string value;
    std::string values;
    text("value", value);
    text("values", values);
    const std::string refused = trypage::run(static_cast<trypage::Action>(action),
                                             frameIndex(frame), position, value, values, way, seed);
    if (!refused.empty()) {
        tell("message", refused);
    }
    return refused.empty() ? 1 : 0;
}

/// "Ask me first": tells the question to ask before heapViewTryRun with the
/// same arguments (JSON, or "" for none); the answer is told as "verdict".
EMSCRIPTEN_KEEPALIVE void heapViewTryAsk(int action, int frame, int position, int way,
                                         unsigned seed) {
    std::string value;
    std::string values;
    text("value", value);
    text("values", values);
    tell("question", trypage::ask(static_cast<trypage::Action>(action), frameIndex(frame), position,
                                  value, values, way, seed));
}
EMSCRIPTEN_KEEPALIVE void heapViewTryCheck(int position) {
    tell("verdict", trypage::check(position));
}
EMSCRIPTEN_KEEPALIVE void heapViewTryCheckCounts(unsigned bottomUp, unsigned oneByOne) {
    tell("verdict", trypage::checkCounts(bottomUp, oneByOne));
}

EMSCRIPTEN_KEEPALIVE void heapViewTrySetKind(int max, int frame) {
    trypage::setKind(max != 0, frameIndex(frame));
}

/// Draws frame and tells it to the page as JSON.
EMSCRIPTEN_KEEPALIVE void heapViewTryShow(int frame) {
    bridge::tryFrameShown(trypage::show(frameIndex(frame)));
}

EMSCRIPTEN_KEEPALIVE int heapViewTryFrameCount() {
    return static_cast<int>(trypage::frameCount());
}
EMSCRIPTEN_KEEPALIVE int heapViewTryPreviousOperation(int frame) {
    return static_cast<int>(trypage::previousOperation(frameIndex(frame)));
}
EMSCRIPTEN_KEEPALIVE int heapViewTryNextOperation(int frame) {
    return static_cast<int>(trypage::nextOperation(frameIndex(frame)));
}
/// Tells the page the query string that reopens frame.
EMSCRIPTEN_KEEPALIVE void heapViewTryLink(int frame) {
    tell("link", trypage::link(frameIndex(frame)));
}

/// The level-order position whose box holds (x, y) in drawing units, or -1.
EMSCRIPTEN_KEEPALIVE int heapViewPositionAt(int x, int y) {
    return positionAt(x, y);
}
/// Tells the page every box's corners, for its marks.
EMSCRIPTEN_KEEPALIVE void heapViewBoxes() {
    tell("boxes", trypage::boxesJson(tryit::kMaxItems));
}

} // extern "C"
