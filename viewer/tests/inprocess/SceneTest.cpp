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
#include <set>
#include <string>
#include <vector>

namespace {

/// The table against the model, and the heap against the table: a level-order
/// walk must reach every filled entry once, through consistent links, in heap
/// order.
::testing::AssertionResult sceneMatches(const GraphicsScene& scene, const std::vector<int>& model,
                                        int filled) {
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

TEST(SceneStep, GrowthThenMutationFollowsTheRandomSequence) {
    // The model keeps its own constants: 200 items, values and nudges below 1000.
    static_assert(kItemCount == 200 && kValueRange == 1000);
    constexpr int kGrowth = 200, kMutations = 2000;
    for (const unsigned seed : {1U, 42U, 20240601U}) {
        SCOPED_TRACE(seed);
        // Draw the whole sequence first (one number per growth step, three per
        // mutation): the scene must then consume the same numbers in order.
        std::srand(seed);
        std::vector<int> draws(kGrowth + 3 * kMutations);
        std::generate(draws.begin(), draws.end(), std::rand);

        std::srand(seed);
        GraphicsScene scene;
        std::vector<int> model(kGrowth, 0);
        for (int step = 0, next = 0; step < kGrowth + kMutations; ++step) {
            stepScene(scene);
            scene.count += 1; // as display() does once the frame is drawn
            if (step < kGrowth) {
                model[step] = draws[next++] % 1000;
            } else { // entry, direction, delta
                const int delta = draws[next + 2] % 1000;
                model[draws[next] % 200] += draws[next + 1] % 2 == 0 ? delta : -delta;
                next += 3;
            }
            ASSERT_EQ(scene.count, step + 1);
            ASSERT_TRUE(sceneMatches(scene, model, std::min(step + 1, kGrowth)))
                << "after step " << step;
        }
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
        EXPECT_TRUE(box.width == level.width && box.height == level.height && box.y == level.y);
        const Box left = leftChildBox(box);
        const Box right = rightChildBox(box);
        EXPECT_EQ(left.x, box.x - level.childOffset);
        EXPECT_EQ(right.x, box.x + level.childOffset);
        EXPECT_TRUE(left.width == right.width && left.height == right.height && left.y == right.y);
        // Large labels from a height of 18, small ones from 10, none below.
        const bool large = box.height >= 18;
        for (int len = 1; len <= 11; ++len) {
            const LabelPlacement label = labelPlacement(box, static_cast<std::size_t>(len));
            EXPECT_EQ(label.shown, box.height >= 10);
            if (box.height >= 10) {
                EXPECT_EQ(label.x, static_cast<float>(large ? box.x - len * 4.5 : box.x - 3 * len));
                EXPECT_EQ(label.y, static_cast<float>(box.y - (large ? 9 : 5)));
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
