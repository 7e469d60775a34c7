// SPDX-License-Identifier: MIT
// The animation step and its report, the box geometry and the signal line,
// all without a display: the step is replayed against a model that draws the
// same rand() sequence on its own, and each report is checked against the
// model and a level-order walk of the heap.
#include "Scene.h"
#include "BoxTable.h"
#include "Geometry.h"
#include "Output.h"
#include "StepReport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

/// Where item sits in a level-order walk of the heap, from 0; -1 if nowhere.
int walkedPosition(const GraphicsScene& scene, const NodeData* item) {
    int position = 0;
    for (const BinaryHeapNode* node = scene.heap.root; node != nullptr; node = node->next) {
        if (node->data == item) {
            return position;
        }
        ++position;
    }
    return -1;
}

/// Level d of a complete tree holds positions 2^d - 1 to 2^(d+1) - 2.
int walkedDepth(int position) {
    int depth = 0;
    for (int first = 1; first <= position; first = 2 * first + 1) {
        ++depth;
    }
    return depth;
}

/// The table against the model, and the heap against the table: a level-order
/// walk must reach every filled entry once, through consistent links, in heap
/// order.
::testing::AssertionResult sceneMatches(const GraphicsScene& scene,
                                        const std::vector<std::int32_t>& model, int filled) {
    std::set<const NodeData*> unseen;
    for (int i = 0; i < kItemCount; ++i) {
        const auto* item = static_cast<const IntNodeData*>(scene.items[i]);
        if ((item != nullptr) != (i < filled) || (item != nullptr && item->value != model[i])) {
            return ::testing::AssertionFailure()
                   << "entry " << i << " is " << (item ? std::to_string(item->value) : "empty")
                   << ", model " << (i < filled ? std::to_string(model[i]) : "empty");
        }
        unseen.insert(item);
    }
    unseen.erase(nullptr);
    const BinaryHeapNode* previous = nullptr;
    int walked = 0;
    for (const BinaryHeapNode* node = scene.heap.root; node != nullptr; node = node->next) {
        if (unseen.erase(node->data) == 0 || node->data->node != node || node->prev != previous ||
            (node->parent != nullptr && node->data->lt(node->parent->data))) {
            return ::testing::AssertionFailure()
                   << "node " << walked << " badly linked, seen twice or below its parent";
        }
        previous = node;
        ++walked;
    }
    if (walked != filled || scene.heap.last != previous) {
        return ::testing::AssertionFailure() << "heap holds " << walked << " of " << filled;
    }
    return ::testing::AssertionSuccess();
}

/// A scene beside a model of it with its own constants: 200 items, values and
/// nudges below 1000, values held within 32 bits. The model draws the whole
/// rand() sequence up front, so the scene must consume the same numbers in
/// order: one per growth step, three per mutation (entry, direction, delta).
class ModelledScene {
  public:
    ModelledScene(unsigned seed, std::size_t draws) : draws_(draws) {
        static_assert(kItemCount == 200 && kValueRange == 1000);
        std::srand(seed);
        std::generate(draws_.begin(), draws_.end(), std::rand);
        std::srand(seed);
    }

    /// One step and its frame count, as display() runs them, on both; then
    /// the scene must match the model.
    /// The step's report must tell the model's change and the walk's places.
    ::testing::AssertionResult step() {
        const std::int32_t count = scene.count;
        // Before the step: where the touched item is (a new one starts at the
        // first free position), by the model's choice of entry.
        int entry = count;
        int positionBefore = count;
        std::int32_t valueBefore = 0;
        StepReport::Kind kind = StepReport::Kind::Inserted;
        if (count >= 200) {
            entry = draws_.at(next_) % 200;
            positionBefore = walkedPosition(scene, scene.items[entry]);
            valueBefore = model_[entry];
            kind = draws_.at(next_ + 1) % 2 == 0 ? StepReport::Kind::Raised
                                                 : StepReport::Kind::Lowered;
        }
        const StepReport report = lastReport = stepScene(scene);
        countFrame(scene);
        if (count < 200) {
            model_[count] = draw() % 1000;
            filled_ = count + 1;
        } else {
            const int picked = draw() % 200, direction = draw() % 2, delta = draw() % 1000;
            model_[picked] =
                clamp(std::int64_t{model_[picked]} + (direction == 0 ? delta : -delta));
        }
        if (scene.count != (count == INT32_MAX ? count : count + 1)) {
            return ::testing::AssertionFailure() << "count " << count << " became " << scene.count;
        }
        if (::testing::AssertionResult matched = sceneMatches(scene, model_, filled_); !matched) {
            return matched;
        }
        const int positionAfter = walkedPosition(scene, scene.items[entry]);
        const std::int64_t change = count < 200 ? 0 : std::int64_t{model_[entry]} - valueBefore;
        if (report.kind != kind || report.item != entry || report.value != model_[entry] ||
            report.change != (change < 0 ? -change : change) ||
            report.position != positionAfter ||
            report.levelsRisen != walkedDepth(positionBefore) - walkedDepth(positionAfter)) {
            return ::testing::AssertionFailure()
                   << "step " << count + 1 << " reported \"" << describeStep(report)
                   << "\" at position " << report.position << "; the model has entry " << entry
                   << " at " << model_[entry] << ", from position " << positionBefore << " to "
                   << positionAfter;
        }
        return ::testing::AssertionSuccess();
    }

    /// Runs steps, stopping at the first mismatch.
    ::testing::AssertionResult run(int steps) {
        for (int i = 0; i < steps; ++i) {
            if (::testing::AssertionResult matched = step(); !matched) {
                return matched << " at step " << i + 1 << " of " << steps;
            }
        }
        return ::testing::AssertionSuccess();
    }

    /// Moves every item to a value of its own within 1000 of limit, calling
    /// the hook for the direction it moved, in the scene and the model.
    void pinNear(std::int32_t limit) {
        for (int i = 0; i < 200; ++i) {
            auto* item = static_cast<IntNodeData*>(scene.items[i]);
            const std::int32_t value =
                clamp(std::int64_t{limit} + (limit < 0 ? 1 : -1) * (i * 7919 % 1000));
            const bool raised = value > item->value;
            item->value = model_[i] = value;
            raised ? scene.heap.increaseKey(item) : scene.heap.decreaseKey(item);
        }
    }

    /// Entries of the model at the given value.
    long holding(std::int32_t value) const {
        return std::count(model_.begin(), model_.end(), value);
    }

    GraphicsScene scene;
    StepReport lastReport; ///< What the last step said it did.

  private:
    static std::int32_t clamp(std::int64_t value) {
        return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, INT32_MIN, INT32_MAX));
    }
    int draw() { return draws_.at(next_++); }

    std::vector<int> draws_;
    std::size_t next_ = 0;
    std::vector<std::int32_t> model_ = std::vector<std::int32_t>(200, 0);
    int filled_ = 0;
};

TEST(SceneStep, GrowthThenMutationFollowsTheRandomSequence) {
    for (const unsigned seed : {1U, 42U, 20240601U}) {
        ModelledScene modelled(seed, 200 + 3 * 2000);
        ASSERT_TRUE(modelled.run(200 + 2000)) << "seed " << seed;
        EXPECT_EQ(modelled.scene.count, 200 + 2000);
    }
}

TEST(SceneStep, ValuesStopAtBothLimitsAndKeepHeapOrder) {
    // Each item is picked some 15 times per phase, so most walk into the limit.
    ModelledScene modelled(7, 200 + 2 * 3 * 3000);
    ASSERT_TRUE(modelled.run(200));
    for (const std::int32_t limit : {INT32_MAX, INT32_MIN}) {
        modelled.pinNear(limit);
        ASSERT_TRUE(modelled.run(3000)) << "near " << limit;
        EXPECT_GT(modelled.holding(limit), 0) << "no value reached " << limit;
    }
}

TEST(SceneStep, CountStopsAtItsLimitAndTheMutationsGoOn) {
    ModelledScene modelled(11, 200 + 3 * 100);
    ASSERT_TRUE(modelled.run(200));
    modelled.scene.count = INT32_MAX - 2;
    ASSERT_TRUE(modelled.run(100)); // the model checks the count and the values
    EXPECT_EQ(modelled.scene.count, INT32_MAX);
}

TEST(SceneStep, ReportsTellEveryDirectionAndDistance) {
    // The model checks each report; over a long run every kind of step turns
    // up: rising, sinking and staying put, for inserts and nudges both ways.
    ModelledScene modelled(5, 200 + 3 * 3000);
    std::set<std::pair<int, int>> seen; // (kind, sign of levels risen)
    for (int i = 0; i < 3200; ++i) {
        ASSERT_TRUE(modelled.step());
        const StepReport& report = modelled.lastReport;
        const int sign = (report.levelsRisen > 0) - (report.levelsRisen < 0);
        seen.insert({static_cast<int>(report.kind), sign});
        EXPECT_EQ(stepLine(modelled.scene.count, report)
                      .rfind("Step " + std::to_string(i + 1) + ": ", 0),
                  0U);
    }
    const int inserted = static_cast<int>(StepReport::Kind::Inserted);
    const int raised = static_cast<int>(StepReport::Kind::Raised);
    const int lowered = static_cast<int>(StepReport::Kind::Lowered);
    // A larger key only sinks and a smaller one only rises.
    const std::set<std::pair<int, int>> expected = {{inserted, 0}, {inserted, 1}, {raised, 0},
                                                    {raised, -1}, {lowered, 0}, {lowered, 1}};
    EXPECT_EQ(seen, expected);
}

TEST(StepReport, WordsAndPlaces) {
    using Kind = StepReport::Kind;
    struct Case {
        StepReport report;
        const char* words;
    };
    const Case cases[] = {
        {{Kind::Inserted, 0, 523, 0, 0, 0}, "inserted 523 in the last position; it stayed there"},
        {{Kind::Inserted, 9, 5, 0, 2, 1},
         "inserted 5 in the last position; it rose 2 levels toward the root"},
        {{Kind::Inserted, 9, -5, 0, 1, 1},
         "inserted -5 in the last position; it rose 1 level toward the root"},
        {{Kind::Lowered, 16, 87, 412, 3, 0},
         "item 17's value fell by 412 to 87, so it rose 3 levels toward the root"},
        {{Kind::Raised, 199, 999, 0, 0, 4}, "item 200's value stayed at 999, so it stayed in its place"},
        {{Kind::Raised, 0, INT32_MAX, 4294967295LL, -1, 5},
         "item 1's value rose by 4294967295 to 2147483647, so it sank 1 level toward the leaves"},
        {{Kind::Raised, 3, 1200, 998, -7, 199},
         "item 4's value rose by 998 to 1200, so it sank 7 levels toward the leaves"},
        {{Kind::Lowered, 96, -3, 701, 7, 0},
         "item 97's value fell by 701 to -3, so it rose 7 levels toward the root"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(describeStep(c.report), c.words);
    }
    EXPECT_EQ(stepLine(1, cases[1].report),
              "Step 1: inserted 5 in the last position; it rose 2 levels toward the root");
    EXPECT_EQ(stepLine(2147483648LL, cases[0].report),
              "Step 2147483648: inserted 523 in the last position; it stayed there");

    // Places of a full 255-node tree, found from the links alone.
    MinBinaryHeap heap;
    std::vector<IntNodeData> items;
    items.reserve(255);
    for (int i = 0; i < 255; ++i) {
        items.emplace_back(i);
        heap.insert(&items.back());
    }
    int position = 0;
    for (const BinaryHeapNode* node = heap.root; node != nullptr; node = node->next, ++position) {
        const HeapPlace place = placeOf(node);
        ASSERT_EQ(place.position, position);
        ASSERT_EQ(place.depth, walkedDepth(position));
        ASSERT_EQ(depthOfPosition(position), walkedDepth(position));
    }
    EXPECT_EQ(position, 255);
    EXPECT_EQ(placeOf(nullptr).position, 0);
    while (heap.deleteMin() != nullptr) {
    }
}

TEST(SignalLine, FormatsAnyIntExactly) {
    for (const int sig : {0, 12, 100, -1, -305, INT_MAX, INT_MIN}) {
        char line[kSignalLineCapacity];
        const std::size_t length = formatSignalLine(sig, line);
        ASSERT_LE(length, kSignalLineCapacity);
        EXPECT_EQ(std::string(line, length), "caught signal " + std::to_string(sig) + "\n");
    }
}

TEST(Geometry, ClicksFindTheBoxTablesPositions) {
    // positionAt inverts the box geometry: every point well inside a row's
    // box, and its edges' first pixels, find that row; nothing outside does.
    // The deepest boxes are one unit tall, a line on the edge of the box
    // above, so no point is theirs.
    for (const ExpectedBox& row : boxTable()) {
        SCOPED_TRACE(::testing::Message() << "position " << row.position);
        const int p = row.position - 1;
        const Box box = boxOfPosition(p);
        EXPECT_TRUE(box.x == row.x && box.y == row.y && box.width == row.width &&
                    box.height == row.height);
        if (row.height < 2) {
            continue;
        }
        const int left = row.x - row.width / 2, right = row.x + row.width / 2;
        const int bottom = row.y - row.height / 2, top = row.y + row.height / 2;
        for (const auto& [x, y] : {std::pair{row.x, row.y}, std::pair{left, bottom},
                                   std::pair{right - 1, top - 1}, std::pair{left, top - 1},
                                   std::pair{right - 1, bottom}}) {
            EXPECT_EQ(positionAt(x, y), p) << "(" << x << ", " << y << ")";
        }
    }
    for (const auto& [x, y] : {std::pair{-1, 300}, std::pair{400, 300}, std::pair{200, 400},
                               std::pair{10, 0}}) {
        EXPECT_EQ(positionAt(x, y), -1) << "(" << x << ", " << y << ")";
    }
}

TEST(Geometry, EveryPositionMatchesTheBoxTable) {
    // Level order: position p's children are 2p and 2p + 1.
    std::vector<Box> boxes{kRootBox};
    for (std::size_t i = 0; boxes.size() < boxTable().size(); ++i) {
        boxes.push_back(leftChildBox(boxes[i]));
        boxes.push_back(rightChildBox(boxes[i]));
    }
    ASSERT_EQ(boxTable().size(), 255U) << "positions 1..255, depths 0 to 7";
    for (const ExpectedBox& row : boxTable()) {
        SCOPED_TRACE(::testing::Message() << "position " << row.position);
        const Box& box = boxes[static_cast<std::size_t>(row.position - 1)];
        EXPECT_TRUE(box.width == row.width && box.height == row.height && box.x == row.x &&
                    box.y == row.y)
            << box.width << "x" << box.height << " at (" << box.x << ", " << box.y << ")";
        EXPECT_EQ(labelFontFor(box.height), !row.labelled() ? LabelFont::None
                                            : row.large()   ? LabelFont::Large
                                                            : LabelFont::Small);
        for (std::size_t len = 1; len <= 11; ++len) { // "-2147483648" is 11 long
            const LabelPlacement label = labelPlacement(box, len);
            EXPECT_EQ(label.shown, row.labelled());
            if (row.labelled()) {
                EXPECT_EQ(label.x, static_cast<float>(row.labelX(len))) << len;
                EXPECT_EQ(label.y, static_cast<float>(row.labelY));
            }
        }
        // Half the size, rounded down, either side of the centre: the root spans
        // x 0 to 400 and y 200 to 400, a 3 x 1 box at depth 7 has vertices 2 apart
        // in x and none in y.
        const Corners corners = boxCorners(box);
        EXPECT_TRUE(corners.left + corners.right == 2 * row.x &&
                    corners.right - corners.left == row.width / 2 * 2 &&
                    corners.bottom + corners.top == 2 * row.y &&
                    corners.top - corners.bottom == row.height / 2 * 2);
    }
    EXPECT_EQ(labelFontFor(18), LabelFont::Large);
    EXPECT_EQ(labelFontFor(17), LabelFont::Small);
    EXPECT_EQ(labelFontFor(10), LabelFont::Small);
    EXPECT_EQ(labelFontFor(9), LabelFont::None);
}

} // namespace
