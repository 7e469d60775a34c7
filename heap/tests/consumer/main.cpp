// SPDX-License-Identifier: MIT
// Uses the installed heap the way an application would: integer keys in,
// one key lowered and one raised, then drained in order.
#include <heap/BinaryHeap.h>

#include <cstdio>
#include <vector>

int main() {
    const int values[] = {42, 7, 19, 3, 25, 11, 30, 5};
    std::vector<IntNodeData> items;
    items.reserve(sizeof values / sizeof values[0]);
    MinBinaryHeap heap;
    for (int value : values) {
        items.emplace_back(value);
    }
    for (IntNodeData& item : items) {
        heap.insert(&item);
    }
    items[0].value = 1; // 42 -> 1
    heap.decreaseKey(&items[0]);
    items[3].value = 50; // 3 -> 50
    heap.increaseKey(&items[3]);

    const int expected[] = {1, 5, 7, 11, 19, 25, 30, 50};
    int drained = 0;
    for (NodeData* item = heap.deleteMin(); item != nullptr; item = heap.deleteMin()) {
        const int value = static_cast<IntNodeData*>(item)->value;
        if (drained >= 8 || value != expected[drained] || item->node != nullptr) {
            std::printf("unexpected item %d at %d\n", value, drained);
            return 1;
        }
        ++drained;
    }
    if (drained != 8 || !heap.isEmpty()) {
        std::printf("drained %d items, expected 8\n", drained);
        return 1;
    }
    std::printf("installed heap drained %d items in order\n", drained);
    return 0;
}
