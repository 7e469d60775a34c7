// SPDX-License-Identifier: MIT
// Uses the heap the way an application would, however it came in (installed
// package, pkg-config, add_subdirectory, FetchContent): integer keys in, one
// lowered and one raised, then drained in order; typed keys with a removal.
//
// With the argument "misuse" it then calls increaseKey on a key that went
// down, after saying whether this program was compiled with the contract
// checks (without NDEBUG), which must then stop it, or without them, which
// must let it through: the checks follow the consumer's build, not the
// library's.
#include <heap/BinaryHeap.h>
#include <heap/TypedKey.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

int main(int argc, char** argv) {
    const int values[] = {42, 7, 19, 3, 25, 11, 30, 5};
    std::vector<IntNodeData> items;
    MinBinaryHeap heap;
    for (int value : values) {
        items.emplace_back(value); // reallocation moves stored items
        heap.insert(&items.back());
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

    // The largest first, one taken out before the drain.
    using Largest = binaryheap::Key<int, std::greater<int>>;
    binaryheap::TypedHeap<Largest> top;
    Largest keys[] = {Largest(4), Largest(9), Largest(6)};
    for (Largest& key : keys) {
        top.insert(key);
    }
    top.remove(keys[1]);
    const Largest* first = top.deleteMin();
    if (first != &keys[2] || top.size() != 1 || BINARYHEAP_VERSION_MAJOR < 1) {
        std::printf("typed heap gave the wrong item\n");
        return 1;
    }
    std::printf("heap %s drained %d items in order\n", BINARYHEAP_VERSION, drained);

    if (argc > 1 && std::strcmp(argv[1], "misuse") == 0) {
#ifdef NDEBUG
        std::puts("checks: off");
#else
        std::puts("checks: on");
#endif
        std::fflush(stdout);
        IntNodeData a(1), b(2);
        heap.insert(&a);
        heap.insert(&b);
        b.value = 0;
        heap.increaseKey(&b); // wrong way: the key went down
        std::puts("misuse went unchecked");
        heap.update(&b);
    }
    return 0;
}
