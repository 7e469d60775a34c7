// The animation step, the box geometry and the signal line, all without a
// display: the step is replayed against a model that draws the same rand()
// sequence on its own.
#include "Scene.h"
#include "Geometry.h"
#include "Output.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

int valueOf(const NodeData* item) {
    return static_cast<const IntNodeData*>(item)->value;
}

/// The table against the model, and the heap against the table: a level-order
/// walk must reach every filled entry once, through consistent links, in heap
/// order.
::testing::AssertionResult sceneMatches(const GraphicsScene& scene, const std::vector<int>& model,
                                        int filled) {
    std::unordered_map<const NodeData*, bool> unseen;
    for (int i = 0; i < kItemCount; ++i) {
        const NodeData* item = scene.items[i];
        if ((item != nullptr) != (i < filled)) {
            return ::testing::AssertionFailure() << "entry " << i << " filled wrongly";
        }
        if (item != nullptr && valueOf(item) != model[i]) {
            return ::testing::AssertionFailure()
                   << "entry " << i << " is " << valueOf(item) << ", model " << model[i];
        }
        if (item != nullptr) {
            unseen[item] = true;
        }
    }
    const BinaryHeapNode* previous = nullptr;
    int walked = 0;
    for (const BinaryHeapNode* node = scene.heap.root; node != nullptr; node = node->next) {
        const auto found = unseen.find(node->data);
        if (found == unseen.end() || !found->second || node->data->node != node ||
            node->prev != previous) {
            return ::testing::AssertionFailure() << "node " << walked << " badly linked";
        }
        found->second = false;
        if (node->parent != nullptr && node->data->lt(node->parent->data)) {
            return ::testing::AssertionFailure() << "node " << walked << " below its parent";
        }
        previous = node;
        ++walked;
    }
    if (walked != filled || scene.heap.last != previous) {
        return ::testing::AssertionFailure() << "heap holds " << walked << " of " << filled;
    }
    return ::testing::AssertionSuccess();
}

TEST(SceneStep, GrowthThenMutationFollowsTheRandomSequence) {
    // The model keeps its own constants: 200 items, values and nudges below 1000.
    static_assert(kItemCount == 200 && kValueRange == 1000);
    constexpr int kGrowth = 200;
    constexpr int kMutations = 2000;
    for (const unsigned seed : {1U, 42U, 20240601U}) {
        SCOPED_TRACE(seed);
        // Draw the whole sequence first: the scene must then consume the same
        // numbers in the same order.
        std::srand(seed);
        std::vector<int> draws;
        for (int step = 0; step < kGrowth + kMutations; ++step) {
            for (int n = step < kGrowth ? 1 : 3; n > 0; --n) {
                draws.push_back(std::rand());
            }
        }

        std::srand(seed);
        GraphicsScene scene;
        std::vector<int> model(kGrowth, 0);
        std::size_t next = 0;
        for (int step = 0; step < kGrowth + kMutations; ++step) {
            stepScene(scene);
            scene.count += 1; // as display() does once the frame is drawn
            if (step < kGrowth) {
                model[step] = draws[next++] % 1000;
            } else {
                const int index = draws[next++] % 200;
                const int parity = draws[next++] % 2;
                const int delta = draws[next++] % 1000;
                model[index] += parity == 0 ? delta : -delta;
            }
            ASSERT_EQ(scene.count, step + 1);
            ASSERT_TRUE(sceneMatches(scene, model, std::min(step + 1, kGrowth)))
                << "after step " << step;
        }
    }
}

TEST(SignalLine, FormatsAnyIntExactly) {
    const std::vector<std::pair<int, std::string>> cases{{0, "caught signal 0\n"},
                                                         {12, "caught signal 12\n"},
                                                         {100, "caught signal 100\n"},
                                                         {-1, "caught signal -1\n"},
                                                         {-305, "caught signal -305\n"},
                                                         {INT_MAX, "caught signal 2147483647\n"},
                                                         {INT_MIN, "caught signal -2147483648\n"}};
    for (const auto& [sig, expected] : cases) {
        char line[kSignalLineCapacity];
        const std::size_t length = formatSignalLine(sig, line);
        ASSERT_LE(length, kSignalLineCapacity);
        EXPECT_EQ(std::string(line, length), expected);
    }
}

TEST(Geometry, LevelsLabelsAndCorners) {
    struct Level {
        int width, height, y, childOffset;
    };
    const Level levels[] = {{400, 200, 300, 100}, {200, 100, 150, 50}, {100, 50, 75, 25},
                            {50, 25, 38, 12},     {25, 12, 20, 6},     {12, 6, 11, 3},
                            {6, 3, 7, 1},         {3, 1, 6, 0}};
    const Corners root = boxCorners(kRootBox);
    EXPECT_TRUE(root.left == 0 && root.bottom == 200 && root.right == 400 && root.top == 400);

    Box box = kRootBox;
    for (int depth = 0; depth < 8; ++depth) {
        SCOPED_TRACE(depth);
        const Level& level = levels[depth];
        EXPECT_EQ(box.width, level.width);
        EXPECT_EQ(box.height, level.height);
        EXPECT_EQ(box.y, level.y);
        const Box left = leftChildBox(box);
        const Box right = rightChildBox(box);
        EXPECT_EQ(left.x, box.x - level.childOffset);
        EXPECT_EQ(right.x, box.x + level.childOffset);
        EXPECT_TRUE(left.width == right.width && left.height == right.height && left.y == right.y);

        for (int len = 1; len <= 11; ++len) {
            const LabelPlacement label = labelPlacement(box, static_cast<std::size_t>(len));
            if (box.height >= 18) {
                EXPECT_TRUE(label.shown);
                EXPECT_EQ(label.x, static_cast<float>(box.x - len * 4.5));
                EXPECT_EQ(label.y, static_cast<float>(box.y - 9));
            } else if (box.height >= 10) {
                EXPECT_TRUE(label.shown);
                EXPECT_EQ(label.x, static_cast<float>(box.x - 3 * len));
                EXPECT_EQ(label.y, static_cast<float>(box.y - 5));
            } else {
                EXPECT_FALSE(label.shown);
            }
        }
        if (depth == 7) {
            const Corners corners = boxCorners(box);
            EXPECT_EQ(corners.right - corners.left, 2);
            EXPECT_EQ(corners.top - corners.bottom, 0);
        }
        box = depth % 2 == 0 ? left : right; // zigzag, so both sides are followed
    }

    EXPECT_EQ(labelPlacement(kRootBox, 1).x, 195.5F);
    EXPECT_EQ(labelPlacement(kRootBox, 1).y, 291.0F);
    EXPECT_EQ(labelFontFor(18), LabelFont::Large);
    EXPECT_EQ(labelFontFor(17), LabelFont::Small);
    EXPECT_EQ(labelFontFor(10), LabelFont::Small);
    EXPECT_EQ(labelFontFor(9), LabelFont::None);
}

} // namespace
