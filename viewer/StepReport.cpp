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

std::string levels(int risen) {
    if (risen == 0) {
        return "it stayed in place";
    }
    const int count = risen < 0 ? -risen : risen;
    return std::string(risen > 0 ? "it rose " : "it sank ") + std::to_string(count) +
           (count == 1 ? " level" : " levels");
}

} // namespace

std::string describeStep(const StepReport& report) {
    std::string words;
    if (report.kind == StepReport::Kind::Inserted) {
        words = "inserted " + std::to_string(report.value);
    } else {
        words = "item " + std::to_string(report.item + 1) +
                (report.kind == StepReport::Kind::Raised ? " went up by " : " went down by ") +
                std::to_string(report.change) + " to " + std::to_string(report.value);
    }
    return words + "; " + levels(report.levelsRisen);
}

std::string stepLine(std::int64_t number, const StepReport& report) {
    return "Step " + std::to_string(number) + ": " + describeStep(report);
}
