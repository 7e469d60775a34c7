// SPDX-License-Identifier: MIT
#include "TryPage.h"

#include "Drawing.h"
#include "Geometry.h"

#include <heap/BinaryHeap.h>

#include <GL/gl.h>
#include <tryit/Predict.h>

#include <optional>

#include <string>
#include <utility>
#include <vector>

namespace trypage {
namespace {

tryit::Session session;
std::size_t shown = 0;
std::optional<tryit::Question> pending;
tryit::Score score;

/// The heap as a frame shows it, rebuilt for the shared drawing: a display
/// heap of the frame's values in level order, linked by addLast so that it
/// never reorders them (a frame may show a heap in the middle of a repair).
struct DisplayHeap {
    MinBinaryHeap heap;
    std::vector<IntNodeData> items;

    explicit DisplayHeap(const std::vector<int>& values) {
        items.reserve(values.size());
        for (const int value : values) {
            items.emplace_back(value);
            heap.addLast()->data = &items.back();
        }
    }
    ~DisplayHeap() { heap.clear(); }
    DisplayHeap(const DisplayHeap&) = delete;
    DisplayHeap& operator=(const DisplayHeap&) = delete;
};

void appendString(std::string& out, const std::string& text) {
    out += '"';
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            out += ' ';
        } else {
            out += c;
        }
    }
    out += '"';
}

template <typename Number>
void appendList(std::string& out, const std::vector<Number>& list) {
    out += '[';
    for (std::size_t i = 0; i < list.size(); ++i) {
        out += (i == 0 ? "" : ",") + std::to_string(list[i]);
    }
    out += ']';
}

std::string json(const tryit::FrameView& view, const MinBinaryHeap& heap) {
    const tryit::Picture& p = view.picture;
    std::string out = "{\"index\":" + std::to_string(view.index) +
                      ",\"count\":" + std::to_string(session.frameCount()) +
                      ",\"operation\":" + std::to_string(view.operation) +
                      ",\"operations\":" + std::to_string(session.operations().size()) +
                      ",\"max\":" + (session.kind() == tryit::HeapKind::Max ? "true" : "false") +
                      ",\"values\":";
    appendList(out, p.values);
    out += ",\"hole\":" + std::to_string(p.hole) + ",\"lifted\":" + (p.lifted ? "true" : "false") +
           ",\"liftedValue\":" + std::to_string(p.liftedValue) + ",\"taken\":";
    appendList(out, p.taken);
    out += ",\"marked\":";
    appendList(out, view.marked);
    out += ",\"liftedMarked\":" + std::string(view.liftedMarked ? "true" : "false") + ",\"sentence\":";
    appendString(out, view.sentence);
    const tryit::Counts& c = view.counts;
    out += ",\"counts\":[" + std::to_string(c.comparisons) + "," + std::to_string(c.moves) + "," +
           std::to_string(c.totalComparisons) + "," + std::to_string(c.totalMoves) +
           "],\"structure\":" + structureJson(heap) + "}";
    return out;
}

/// The heap's values as the learner sees them at frame: at the end of the
/// operation holding it, where a new operation starts from.
std::vector<int> valuesAt(std::size_t frame) {
    const int operation = session.operationOf(frame);
    if (operation < 0) {
        return {};
    }
    return session.frame(session.lastFrame(static_cast<std::size_t>(operation))).picture.values;
}

} // namespace

bool open(const tryit::LinkParameters& parameters, std::vector<std::string>& messages) {
    const tryit::Lesson lesson = tryit::parseLesson(parameters, messages);
    tryit::OpenedLesson opened = tryit::openLesson(lesson, messages);
    session = std::move(opened.session);
    shown = opened.frame;
    return lesson.tryMode;
}

std::string run(Action action, std::size_t frame, int position, const std::string& value,
                const std::string& values, int way, unsigned seed) {
    int number = 0;
    std::vector<int> list;
    std::string refused;
    // The fields are read first: what cannot be used changes nothing.
    if (action == Action::Insert || action == Action::Change) {
        refused = tryit::parseValue(value, number);
    } else if (action == Action::Build) {
        refused = tryit::parseValueList(values, list);
    }
    if (!refused.empty()) {
        return refused;
    }
    // An operation run while an earlier frame shows starts from what shows,
    // once it is sure to run there.
    if (frame + 1 < session.frameCount()) {
        const std::size_t size = valuesAt(frame).size();
        const bool needsItems = action == Action::Extract || action == Action::Change ||
                                action == Action::Remove || action == Action::Sort;
        if (needsItems && size == 0) {
            return "The heap is empty: there is nothing to " +
                   std::string(action == Action::Sort ? "sort." : "take.");
        }
        if ((action == Action::Change || action == Action::Remove) &&
            (position < 0 || static_cast<std::size_t>(position) >= size)) {
            return "Choose a node first: click its box, or its entry in the list.";
        }
        if (action == Action::Insert && size >= static_cast<std::size_t>(tryit::kMaxItems)) {
            return "The heap is full: it holds at most " + std::to_string(tryit::kMaxItems) +
                   " items.";
        }
        session.discardAfter(frame);
    }
    const tryit::BuildWay buildWay = way == 0 ? tryit::BuildWay::BottomUp : tryit::BuildWay::OneByOne;
    switch (action) {
    case Action::Insert: return session.insert(number);
    case Action::Extract: return session.extract();
    case Action::Change: return session.change(position, number);
    case Action::Remove: return session.remove(position);
    case Action::Build: return session.build(list, buildWay);
    case Action::Sort: return session.sort();
    case Action::Random: return session.build(tryit::randomValues(15, seed), buildWay);
    case Action::Clear: return session.clear();
    }
    return "Unknown operation.";
}

std::string ask(Action action, std::size_t frame, int position, const std::string& value,
                const std::string& values, int way, unsigned seed) {
    pending.reset();
    tryit::Operation operation;
    const bool oneByOne = way != 0;
    switch (action) {
    case Action::Insert: operation.kind = tryit::Operation::Kind::Insert; break;
    case Action::Extract: operation.kind = tryit::Operation::Kind::Extract; break;
    case Action::Change: operation.kind = tryit::Operation::Kind::Change; break;
    case Action::Remove: operation.kind = tryit::Operation::Kind::Remove; break;
    case Action::Build:
    case Action::Random:
        operation.kind = oneByOne ? tryit::Operation::Kind::BuildOneByOne
                                  : tryit::Operation::Kind::BuildBottomUp;
        break;
    default: return "";
    }
    operation.position = position;
    // What run() would refuse is not asked about: it is refused there.
    if ((action == Action::Insert || action == Action::Change) &&
        !tryit::parseValue(value, operation.value).empty()) {
        return "";
    }
    if (action == Action::Build && !tryit::parseValueList(values, operation.values).empty()) {
        return "";
    }
    if (action == Action::Random) {
        operation.values = tryit::randomValues(15, seed);
    }
    // The operation runs on what shows at frame: the question is asked there.
    tryit::Session there(session.kind());
    const std::vector<int> start = valuesAt(frame);
    if (!start.empty()) {
        there.build(start, tryit::BuildWay::BottomUp);
    }
    pending = tryit::askBefore(there, operation);
    if (!pending) {
        return "";
    }
    std::string out = "{\"text\":";
    appendString(out, pending->text);
    return out + ",\"how\":" + (pending->kind == tryit::Question::Kind::HowMany ? "true" : "false") +
           ",\"position\":" + std::to_string(pending->position) + "}";
}

namespace {
std::string scored(const tryit::Verdict& verdict) {
    pending.reset();
    score.record(verdict);
    std::string out = std::string("{\"right\":") + (verdict.right ? "true" : "false") + ",\"text\":";
    appendString(out, verdict.text);
    out += ",\"score\":";
    appendString(out, score.text());
    return out + "}";
}
} // namespace

std::string check(int position) {
    if (!pending || pending->kind != tryit::Question::Kind::Where) {
        return "";
    }
    return scored(tryit::checkWhere(*pending, position));
}

std::string checkCounts(unsigned bottomUp, unsigned oneByOne) {
    if (!pending || pending->kind != tryit::Question::Kind::HowMany) {
        return "";
    }
    return scored(tryit::checkHowMany(*pending, bottomUp, oneByOne));
}

void setKind(bool max, std::size_t frame) {
    const tryit::HeapKind kind = max ? tryit::HeapKind::Max : tryit::HeapKind::Min;
    if (kind == session.kind()) {
        return;
    }
    const std::vector<int> values = valuesAt(frame);
    session = tryit::Session(kind);
    if (!values.empty()) {
        session.build(values, tryit::BuildWay::BottomUp);
    }
    shown = 0;
}

std::string show(std::size_t frame) {
    const tryit::FrameView view = session.frame(frame);
    shown = view.index;
    const DisplayHeap display(view.picture.values);
    glClear(GL_COLOR_BUFFER_BIT);
    drawHeap(kRootBox.width, kRootBox.height, kRootBox.x, kRootBox.y, display.heap.root);
    glFlush();
    return json(view, display.heap);
}

std::string structureJson(const MinBinaryHeap& heap) {
    // Indices along next; the records' own links are looked up among them.
    std::vector<const BinaryHeapNode*> shownNodes;
    int count = 0;
    for (const BinaryHeapNode* node = heap.root; node != nullptr; node = node->next, ++count) {
        if (count < kStructureNodes) {
            shownNodes.push_back(node);
        }
    }
    const auto index = [&shownNodes](const BinaryHeapNode* node) {
        if (node == nullptr) {
            return -1;
        }
        for (std::size_t i = 0; i < shownNodes.size(); ++i) {
            if (shownNodes[i] == node) {
                return static_cast<int>(i);
            }
        }
        return -2;
    };
    std::string out = "{\"count\":" + std::to_string(count) + ",\"root\":" +
                      std::to_string(index(heap.root)) + ",\"last\":" +
                      std::to_string(index(heap.last)) + ",\"nodes\":[";
    for (std::size_t i = 0; i < shownNodes.size(); ++i) {
        const BinaryHeapNode* node = shownNodes[i];
        const auto* item = static_cast<const IntNodeData*>(node->data);
        out += (i == 0 ? "[" : ",[") + std::to_string(item != nullptr ? item->value : 0);
        for (const BinaryHeapNode* link :
             {node->parent, node->leftChild, node->rightChild, node->prev, node->next}) {
            out += "," + std::to_string(index(link));
        }
        out += "]";
    }
    return out + "]}";
}

std::string redraw() {
    return show(shown);
}

std::size_t frameCount() {
    return session.frameCount();
}

std::size_t previousOperation(std::size_t frame) {
    return session.previousOperation(frame);
}

std::size_t nextOperation(std::size_t frame) {
    return session.nextOperation(frame);
}

std::string link(std::size_t frame) {
    return tryit::linkTo(session, frame);
}

std::string boxesJson(int count) {
    std::string out = "[";
    for (int p = 0; p < count; ++p) {
        const Corners c = boxCorners(boxOfPosition(p));
        out += (p == 0 ? "[" : ",[") + std::to_string(c.left) + "," + std::to_string(c.bottom) +
               "," + std::to_string(c.right) + "," + std::to_string(c.top) + "]";
    }
    return out + "]";
}

} // namespace trypage
