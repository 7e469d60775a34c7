// SPDX-License-Identifier: MIT
#include "StepReport.h"

#include <heap/BinaryHeap.h>

HeapPlace placeOf(const BinaryHeapNode* node) {
    // Position p's children are 2p + 1 and 2p + 2: climb to the root, noting
    // the turns, then replay them downwards.
    unsigned long long turns = 0; // bit d: the turn at depth d + 1 was right
    HeapPlace place;
    for (; node != nullptr && node->parent != nullptr; node = node->parent) {
        turns = (turns << 1U) | (node->parent->rightChild == node ? 1U : 0U);
        ++place.depth;
    }
    for (int level = 0; level < place.depth; ++level, turns >>= 1U) {
        place.position = 2 * place.position + 1 + static_cast<int>(turns & 1U);
    }
    return place;
}

int depthOfPosition(int position) {
    int depth = 0;
    for (int p = position + 1; p > 1; p /= 2) {
        ++depth;
    }
    return depth;
}

namespace {

/// How far the item travelled, in levels: toward the root or the leaves.
std::string levels(int risen) {
    const int count = risen < 0 ? -risen : risen;
    return std::string(risen > 0 ? "rose " : "sank ") + std::to_string(count) +
           (count == 1 ? " level" : " levels") + (risen > 0 ? " toward the root" : " toward the leaves");
}

} // namespace

std::string describeStep(const StepReport& report) {
    if (report.kind == StepReport::Kind::Inserted) {
        return "inserted " + std::to_string(report.value) + " in the last position; " +
               (report.levelsRisen == 0 ? std::string("it stayed there")
                                        : "it " + levels(report.levelsRisen));
    }
    const std::string item = "item " + std::to_string(report.item + 1) + "'s value ";
    const std::string moved =
        report.levelsRisen == 0 ? "so it stayed in its place" : "so it " + levels(report.levelsRisen);
    if (report.change == 0) {
        return item + "stayed at " + std::to_string(report.value) + ", " + moved;
    }
    return item + (report.kind == StepReport::Kind::Raised ? "rose by " : "fell by ") +
           std::to_string(report.change) + " to " + std::to_string(report.value) + ", " + moved;
}

std::string stepLine(std::int64_t number, const StepReport& report) {
    return "Step " + std::to_string(number) + ": " + describeStep(report);
}
