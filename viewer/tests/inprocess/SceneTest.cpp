// SPDX-License-Identifier: MIT
// The animation step, the box geometry and the signal line, all without a
// display: the step is replayed against a model that draws the same rand()
// sequence on its own.
#include "Scene.h"
#include "BoxTable.h"
#include "Geometry.h"
#include "Output.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

namespace {

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
    ::testing::AssertionResult step() {
        const std::int32_t count = scene.count;
        stepScene(scene);
        countFrame(scene);
        if (count < 200) {
            model_[count] = draw() % 1000;
            filled_ = count + 1;
        } else {
            const int entry = draw() % 200, direction = draw() % 2, delta = draw() % 1000;
            model_[entry] = clamp(std::int64_t{model_[entry]} + (direction == 0 ? delta : -delta));
        }
        if (scene.count != (count == INT32_MAX ? count : count + 1)) {
            return ::testing::AssertionFailure() << "count " << count << " became " << scene.count;
        }
        return sceneMatches(scene, model_, filled_);
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

TEST(SignalLine, FormatsAnyIntExactly) {
    for (const int sig : {0, 12, 100, -1, -305, INT_MAX, INT_MIN}) {
        char line[kSignalLineCapacity];
        const std::size_t length = formatSignalLine(sig, line);
        ASSERT_LE(length, kSignalLineCapacity);
        EXPECT_EQ(std::string(line, length), "caught signal " + std::to_string(sig) + "\n");
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
