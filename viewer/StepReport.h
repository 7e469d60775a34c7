// SPDX-License-Identifier: MIT
// What one animation step did, in facts and in words: which item it touched,
// how its value moved and how far the heap moved it. Pure logic: the page
// tells every step in a log; the desktop program never prints these.
#ifndef VIEWER_STEPREPORT_H
#define VIEWER_STEPREPORT_H

#include <cstdint>
#include <string>

class BinaryHeapNode;

/// A node's place in the complete tree: its position in level order, from 0
/// at the root, and its depth, from 0 at the root.
struct HeapPlace {
    int position = 0;
    int depth = 0;
};

/// Where node sits, found from its parent links alone.
HeapPlace placeOf(const BinaryHeapNode* node);
/// The depth of level-order position (from 0) in a complete binary tree.
int depthOfPosition(int position);

/// One step's facts.
struct StepReport {
    enum class Kind { Inserted, Raised, Lowered };
    Kind kind = Kind::Inserted;
    int item = 0;             ///< The item's entry in the scene's table, from 0.
    std::int32_t value = 0;   ///< Its value after the step.
    std::int64_t change = 0;  ///< How far the value moved, never negative.
    int levelsRisen = 0;      ///< Depth before minus depth after: < 0 when it sank.
    int position = 0;         ///< Its level-order position after the step, from 0.
};

/// The report's words for a learner, such as "inserted 523 in the last
/// position; it rose 2 levels toward the root" or "item 17's value fell by 412
/// to 87, so it rose 3 levels toward the root". Items are numbered from 1 in the
/// order they were inserted, so item N is the one step N inserted.
std::string describeStep(const StepReport& report);

/// "Step N: " and the words; N counts the steps from 1.
std::string stepLine(std::int64_t number, const StepReport& report);

#endif // VIEWER_STEPREPORT_H
