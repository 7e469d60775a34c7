// SPDX-License-Identifier: MIT
// The session against the heap itself and a plain model of what it holds.
#include <tryit/Session.h>

#include <heap/BinaryHeap.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace tryit {
namespace {

/// The heap as its node records are at this instant, read independently of
/// the session: level-order values, 0 in the hole (the node whose item's
/// back-link points elsewhere).
struct RealState {
    std::vector<int> values;
    int hole = -1;
    bool operator==(const RealState& other) const {
        return values == other.values && hole == other.hole;
    }
};

RealState readHeap(const MinBinaryHeap& heap) {
    RealState state;
    for (const BinaryHeapNode* node = heap.root; node != nullptr; node = node->next) {
        if (node->data->node == node) {
            state.values.push_back(static_cast<const IntNodeData*>(node->data)->value);
        } else {
            state.hole = static_cast<int>(state.values.size());
            state.values.push_back(0);
        }
    }
    return state;
}

bool before(HeapKind kind, int a, int b) {
    return kind == HeapKind::Min ? a < b : a > b;
}

/// Runs operations on a session and checks every frame each one adds
/// against the real heap at each lt call, and its end against the model (a
/// sorted list of the values held).
class Checked {
  public:
    explicit Checked(HeapKind kind) : session(kind) {
        session.setCompareProbe(
            [this](const MinBinaryHeap& heap) { real.push_back(readHeap(heap)); });
    }

    void run(const Operation& op) {
        const std::vector<int> start = session.values();
        const std::size_t firstNew = session.frameCount();
        const std::size_t opsBefore = session.operations().size();
        real.clear();
        const std::string why = session.run(op);
        if (!why.empty()) {
            // Refused: one line, nothing changed.
            EXPECT_EQ(why.find('\n'), std::string::npos) << why;
            EXPECT_EQ(session.frameCount(), firstNew);
            EXPECT_EQ(session.values(), start);
            EXPECT_EQ(session.operations().size(), opsBefore);
            ++refused;
            return;
        }
        updateModel(op, start);
        checkFrames(op, firstNew, start);
    }

    void updateModel(const Operation& op, const std::vector<int>& start) {
        switch (op.kind) {
        case Operation::Kind::Insert:
            model.push_back(op.value);
            break;
        case Operation::Kind::Extract:
            expectedTaken = {bestOfModel()};
            model.erase(std::find(model.begin(), model.end(), expectedTaken[0]));
            break;
        case Operation::Kind::Change:
            *std::find(model.begin(), model.end(), start[static_cast<std::size_t>(op.position)]) =
                op.value;
            break;
        case Operation::Kind::Remove:
            expectedTaken = {start[static_cast<std::size_t>(op.position)]};
            model.erase(std::find(model.begin(), model.end(), expectedTaken[0]));
            break;
        case Operation::Kind::BuildBottomUp:
        case Operation::Kind::BuildOneByOne:
            model = op.values;
            break;
        case Operation::Kind::Sort:
            expectedTaken = model;
            std::sort(expectedTaken.begin(), expectedTaken.end(),
                      [this](int a, int b) { return before(session.kind(), a, b); });
            model.clear();
            break;
        case Operation::Kind::Clear:
            model.clear();
            break;
        }
        std::sort(model.begin(), model.end());
    }

    int bestOfModel() const {
        return session.kind() == HeapKind::Min ? model.front() : model.back();
    }

    void checkFrames(const Operation& op, std::size_t first, const std::vector<int>& start) {
        const std::size_t last = session.frameCount() - 1;
        const int index = session.operationOf(first);
        ASSERT_EQ(index + 1, static_cast<int>(session.operations().size()));
        ASSERT_EQ(session.firstFrame(static_cast<std::size_t>(index)), first);
        ASSERT_EQ(session.lastFrame(static_cast<std::size_t>(index)), last);

        std::size_t comparisons = 0;
        std::size_t moves = 0;
        // Outside builds and clear no value is lost on the way: what the
        // nodes show, the lifted item and those taken out are what was held.
        const bool conserved = op.kind != Operation::Kind::BuildBottomUp &&
                               op.kind != Operation::Kind::BuildOneByOne &&
                               op.kind != Operation::Kind::Clear;
        std::vector<int> held = start;
        for (std::size_t f = first; f <= last; ++f) {
            const FrameView view = session.frame(f);
            const Picture& picture = view.picture;
            if (view.kind == FrameKind::Grow && op.kind == Operation::Kind::Insert) {
                held.push_back(op.value);
            }
            if (view.kind == FrameKind::SetValue) {
                held[static_cast<std::size_t>(op.position)] = op.value;
            }
            if (conserved) {
                std::vector<int> shown = picture.taken;
                for (std::size_t p = 0; p < picture.values.size(); ++p) {
                    if (static_cast<int>(p) != picture.hole) {
                        shown.push_back(picture.values[p]);
                    }
                }
                if (picture.lifted) {
                    shown.push_back(picture.liftedValue);
                }
                std::sort(shown.begin(), shown.end());
                std::vector<int> expected = held;
                std::sort(expected.begin(), expected.end());
                EXPECT_EQ(shown, expected) << "frame " << f << ": " << view.sentence;
            }
            EXPECT_TRUE(picture.hole < 0 || picture.lifted) << "a hole goes with a lifted item";
            ASSERT_LE(picture.values.size(), static_cast<std::size_t>(kMaxItems));
            ASSERT_LT(picture.hole, static_cast<int>(picture.values.size()) + 0);
            EXPECT_FALSE(view.sentence.empty());
            if (view.kind == FrameKind::Compare) {
                // A state the heap really passed through: the one at this lt.
                ASSERT_LT(comparisons, real.size());
                RealState shown{picture.values, picture.hole};
                EXPECT_EQ(shown, real[comparisons]) << "frame " << f << ": " << view.sentence;
                ++comparisons;
            }
            if (view.kind == FrameKind::Move || view.kind == FrameKind::Settle) {
                ++moves;
            }
            EXPECT_EQ(view.counts.comparisons, comparisons);
            EXPECT_EQ(view.counts.moves, moves);
            EXPECT_EQ(view.counts.totalComparisons, totalComparisons + comparisons);
        }
        EXPECT_EQ(comparisons, real.size()) << "one comparison frame per lt call";
        totalComparisons += comparisons;

        // The last frame is the heap as the operation left it, and the model.
        const FrameView end = session.frame(last);
        EXPECT_EQ(end.kind, FrameKind::Done);
        EXPECT_EQ(end.picture.hole, -1);
        EXPECT_FALSE(end.picture.lifted);
        EXPECT_EQ(readHeap(session.heap()), (RealState{end.picture.values, -1}));
        EXPECT_EQ(end.picture.values, session.values());
        std::vector<int> after = end.picture.values;
        std::sort(after.begin(), after.end());
        EXPECT_EQ(after, model);
        for (std::size_t p = 1; p < end.picture.values.size(); ++p) {
            EXPECT_FALSE(
                before(session.kind(), end.picture.values[p], end.picture.values[(p - 1) / 2]))
                << "heap order at " << p;
        }
        if (op.kind == Operation::Kind::Extract || op.kind == Operation::Kind::Remove ||
            op.kind == Operation::Kind::Sort) {
            EXPECT_EQ(end.picture.taken, expectedTaken);
        } else {
            EXPECT_TRUE(end.picture.taken.empty());
        }
        if (op.kind == Operation::Kind::Change) {
            // Each item passed moves once, then the changed item settles.
            ASSERT_EQ(end.marked.size(), 1U);
            const auto level = [](int p) {
                return p == 0 ? 0 : static_cast<int>(std::log2(p + 1));
            };
            const int levels = std::abs(level(end.marked[0]) - level(op.position));
            EXPECT_EQ(moves, levels == 0 ? 0U : static_cast<std::size_t>(levels) + 1);
        }
        if (op.kind == Operation::Kind::Insert) {
            // Each parent passed moves down once, then the item settles.
            ASSERT_EQ(end.marked.size(), 1U);
            int rose = 0;
            for (int p = static_cast<int>(start.size()); p > end.marked[0]; p = (p - 1) / 2) {
                ++rose;
            }
            EXPECT_EQ(moves, rose == 0 ? 0U : static_cast<std::size_t>(rose) + 1);
        }
    }

    Session session;
    std::vector<RealState> real;
    std::vector<int> model;
    std::vector<int> expectedTaken;
    std::size_t totalComparisons = 0;
    std::size_t refused = 0;
};

Operation randomOperation(std::mt19937& random, int size) {
    const auto pick = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    // Mostly small values so that ties are common; now and then bad input.
    const auto value = [&] { return pick(0, 9) == 0 ? pick(-999, 9999) : pick(-5, 30); };
    Operation op;
    const int roll = pick(0, 99);
    if (roll < 40) {
        op.kind = Operation::Kind::Insert;
        op.value = pick(0, 49) == 0 ? 10000 : value();
    } else if (roll < 55) {
        op.kind = Operation::Kind::Extract;
    } else if (roll < 70) {
        op.kind = Operation::Kind::Change;
        op.position = pick(-1, size);
        op.value = value();
    } else if (roll < 80) {
        op.kind = Operation::Kind::Remove;
        op.position = pick(0, size);
    } else if (roll < 92) {
        op.kind = pick(0, 1) == 0 ? Operation::Kind::BuildBottomUp : Operation::Kind::BuildOneByOne;
        op.values.resize(static_cast<std::size_t>(pick(0, 5) == 0 ? pick(100, 255) : pick(0, 20)));
        for (int& v : op.values) {
            v = value();
        }
    } else if (roll < 97) {
        op.kind = Operation::Kind::Sort;
    } else {
        op.kind = Operation::Kind::Clear;
    }
    return op;
}

TEST(TryItSession, EveryFrameIsAStateTheHeapPassedThroughAndTheLastIsTheHeap) {
    for (const unsigned seed : {1U, 2U, 3U}) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::mt19937 random(seed);
        Checked checked(seed % 2 == 0 ? HeapKind::Max : HeapKind::Min);
        for (int i = 0; i < 120 && !testing::Test::HasFatalFailure(); ++i) {
            checked.run(randomOperation(random, static_cast<int>(checked.model.size())));
        }
        EXPECT_GT(checked.refused, 0U);
        EXPECT_EQ(checked.session.unexplainedChanges(), 0U);
    }
}

TEST(TryItSession, RefusedInputSaysOneLineAndChangesNothing) {
    Session session;
    const std::vector<int> full(255, 7);
    struct Case {
        std::function<std::string(Session&)> run;
        const char* message;
    };
    const std::vector<Case> empty{
        {[](Session& s) { return s.extract(); },
         "The heap is empty: there is no minimum to extract."},
        {[](Session& s) { return s.sort(); }, "The heap is empty: there is nothing to sort."},
        {[](Session& s) { return s.clear(); }, "The heap is already empty."},
        {[](Session& s) { return s.remove(0); }, "The heap is empty: there is no node to remove."},
        {[](Session& s) { return s.insert(10000); },
         "10000 is out of range: values are whole numbers from -999 to 9999."},
        {[](Session& s) { return s.insert(-1000); },
         "-1000 is out of range: values are whole numbers from -999 to 9999."},
        {[](Session& s) { return s.build({}, BuildWay::BottomUp); },
         "Give at least one value to build from."},
        {[](Session& s) { return s.build(std::vector<int>(256, 1), BuildWay::OneByOne); },
         "A heap holds at most 255 values; 256 were given."},
    };
    const std::vector<Case> three{
        {[](Session& s) { return s.change(-1, 4); },
         "Choose a node to change first: click its box, pick it in the list, or use the "
         "keyboard."},
        {[](Session& s) { return s.change(3, 4); },
         "There is no node at position 3: the positions are 0 to 2."},
        {[](Session& s) { return s.change(1, 12345); },
         "12345 is out of range: values are whole numbers from -999 to 9999."},
        {[](Session& s) { return s.remove(7); },
         "There is no node at position 7: the positions are 0 to 2."},
    };
    for (const Case& c : empty) {
        EXPECT_EQ(c.run(session), c.message);
        EXPECT_EQ(session.frameCount(), 1U);
    }
    ASSERT_EQ(session.build({3, 1, 2}, BuildWay::BottomUp), "");
    const std::size_t frames = session.frameCount();
    for (const Case& c : three) {
        EXPECT_EQ(c.run(session), c.message);
        EXPECT_EQ(session.frameCount(), frames);
        EXPECT_EQ(session.values(), (std::vector<int>{1, 3, 2}));
    }
    ASSERT_EQ(session.build(full, BuildWay::BottomUp), "");
    EXPECT_EQ(session.insert(1), "The heap is full: it holds at most 255 values.");

    Session max(HeapKind::Max);
    EXPECT_EQ(max.extract(), "The heap is empty: there is no maximum to extract.");

    int value = 5;
    std::vector<int> values{9};
    EXPECT_EQ(parseValue(" -12 ", value), "");
    EXPECT_EQ(value, -12);
    EXPECT_EQ(parseValue("", value), "Type a value first: a whole number from -999 to 9999.");
    EXPECT_EQ(parseValue("4x", value), "\"4x\" is not a whole number: type one from -999 to 9999.");
    EXPECT_EQ(parseValue("10000", value),
              "10000 is out of range: values are whole numbers from -999 to 9999.");
    EXPECT_EQ(value, -12);
    EXPECT_EQ(parseValueList("5, 3 8;1", values), "");
    EXPECT_EQ(values, (std::vector<int>{5, 3, 8, 1}));
    EXPECT_EQ(parseValueList(" , ", values),
              "Type the values to build from, separated by commas or spaces.");
    EXPECT_EQ(parseValueList("5, y", values),
              "\"y\" is not a whole number: type one from -999 to 9999.");
    EXPECT_EQ(values, (std::vector<int>{5, 3, 8, 1}));
}

std::uint64_t buildComparisons(const std::vector<int>& values, BuildWay way, HeapKind kind) {
    Session session(kind);
    EXPECT_EQ(session.build(values, way), "");
    return session.frame(session.frameCount() - 1).counts.comparisons;
}

TEST(TryItSession, BottomUpBuildStaysWithinTwoComparisonsPerValue) {
    std::mt19937 random(7);
    for (const std::size_t n : {1U, 2U, 3U, 7U, 8U, 31U, 100U, 254U, 255U}) {
        std::vector<int> ascending(n);
        for (std::size_t i = 0; i < n; ++i) {
            ascending[i] = static_cast<int>(i);
        }
        std::vector<int> descending(ascending.rbegin(), ascending.rend());
        std::vector<int> shuffled = ascending;
        std::shuffle(shuffled.begin(), shuffled.end(), random);
        for (const auto* values : {&ascending, &descending, &shuffled}) {
            EXPECT_LE(buildComparisons(*values, BuildWay::BottomUp, HeapKind::Min), 2 * n);
            EXPECT_LE(buildComparisons(*values, BuildWay::BottomUp, HeapKind::Max), 2 * n);
        }
        if (n >= 4) {
            // Each value rises to the root when inserted in the worst order.
            EXPECT_GT(buildComparisons(descending, BuildWay::OneByOne, HeapKind::Min),
                      buildComparisons(descending, BuildWay::BottomUp, HeapKind::Min));
            EXPECT_GT(buildComparisons(ascending, BuildWay::OneByOne, HeapKind::Max),
                      buildComparisons(ascending, BuildWay::BottomUp, HeapKind::Max));
        }
    }
}

TEST(TryItSession, EveryFrameIsReachableAndBackThenForwardShowsTheSame) {
    Session session(HeapKind::Max);
    ASSERT_EQ(session.build({5, 3, 8, 1, 9, 2, 7}, BuildWay::BottomUp), "");
    ASSERT_EQ(session.insert(6), "");
    ASSERT_EQ(session.change(3, -4), "");
    ASSERT_EQ(session.remove(1), "");
    ASSERT_EQ(session.sort(), "");
    const std::size_t count = session.frameCount();
    std::vector<FrameView> forward;
    for (std::size_t f = 0; f < count; ++f) {
        forward.push_back(session.frame(f));
        EXPECT_EQ(forward.back().index, f);
    }
    for (std::size_t f = count; f-- > 0;) {
        EXPECT_EQ(session.frame(f), forward[f]) << "back to " << f;
    }
    std::mt19937 random(11);
    for (int i = 0; i < 200; ++i) {
        const std::size_t f = random() % count;
        EXPECT_EQ(session.frame(f), forward[f]) << "jump to " << f;
    }
    EXPECT_EQ(session.frame(count + 5), forward.back());

    // Operation boundaries: Begin to Done, previous and next.
    EXPECT_EQ(forward[0].kind, FrameKind::Start);
    EXPECT_EQ(session.previousOperation(0), 0U);
    for (std::size_t op = 0; op < session.operations().size(); ++op) {
        const std::size_t first = session.firstFrame(op);
        EXPECT_EQ(forward[first].kind, FrameKind::Begin);
        EXPECT_EQ(forward[session.lastFrame(op)].kind, FrameKind::Done);
        EXPECT_EQ(session.previousOperation(first + 1), first);
        EXPECT_EQ(session.previousOperation(first), op == 0 ? 0 : session.firstFrame(op - 1));
        EXPECT_EQ(session.nextOperation(first),
                  op + 1 < session.operations().size() ? session.firstFrame(op + 1) : count - 1);
    }

    // The words of an extraction say once that it walks down to a leaf.
    std::size_t said = 0;
    for (std::size_t f = session.firstFrame(4); f < count; ++f) {
        said += forward[f].sentence.find("down to a leaf") != std::string::npos ? 1 : 0;
    }
    EXPECT_EQ(said, 1U);
    EXPECT_NE(forward[session.firstFrame(2)].sentence.find("goes down from 5 to -4, so the "
                                                           "heap's increaseKey moves it down"),
              std::string::npos)
        << "a max-heap's value that went down is a key that went up: "
        << forward[session.firstFrame(2)].sentence;

    // Running on from an earlier frame drops what came after it.
    const std::size_t middle = session.firstFrame(2) + 1;
    session.discardAfter(middle);
    EXPECT_EQ(session.operations().size(), 3U);
    EXPECT_EQ(session.frameCount(), session.lastFrame(2) + 1);
    EXPECT_EQ(session.values(), forward[session.lastFrame(2)].picture.values);
    ASSERT_EQ(session.insert(100), "");
    EXPECT_EQ(session.values().front(), 100);
    EXPECT_EQ(session.frame(session.frameCount() - 1).counts.totalComparisons,
              forward[session.lastFrame(2)].counts.totalComparisons +
                  session.frame(session.frameCount() - 1).counts.comparisons);
    session.discardAfter(0);
    EXPECT_EQ(session.frameCount(), 1U);
    EXPECT_TRUE(session.values().empty());
}

TEST(TryItSession, SentencesSayWhatTheHeapDid) {
    Session session;
    ASSERT_EQ(session.build({42}, BuildWay::OneByOne), "");
    ASSERT_EQ(session.insert(50), "");
    ASSERT_EQ(session.insert(17), "");
    std::vector<std::string> said;
    for (std::size_t f = session.firstFrame(2); f < session.frameCount(); ++f) {
        said.push_back(session.frame(f).sentence);
    }
    const std::vector<std::string> expected{
        "insert 17: a new last node takes 17, which then rises while it is smaller than its "
        "parent.",
        "addLast hangs position 2 (level 1) under the root, and 17 goes in it.",
        "compare 17 with its parent 42: 17 is smaller, so 17 is lifted out and 42 moves down "
        "into its node.",
        "42 moves down from the root to position 2 (level 1), lifting 17 out; the hole is now at "
        "the root.",
        "17 goes into the hole at the root.",
        "17 is in place at the root: it rose 1 level toward the root. 1 comparison and 2 moves.",
    };
    EXPECT_EQ(said, expected);
}

} // namespace
} // namespace tryit
