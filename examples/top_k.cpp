// SPDX-License-Identifier: MIT
// The k largest values of a stream, in one pass with k items: a min-heap of
// the best k so far keeps the smallest of them at the root, and a larger
// value replaces it there (a new key for the root's item, then increaseKey).
#include <heap/TypedKey.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <functional>
#include <vector>

int main() {
    const int stream[] = {17, 3, 42, 8, 99, 23, 42, 5, 61, 77, 12, 88, 1, 64};
    const std::size_t k = 5;
    using Kept = binaryheap::Key<int>; // smallest first: the one to drop
    std::vector<Kept> kept;
    kept.reserve(k); // the heap holds pointers into it from here on
    binaryheap::TypedHeap<Kept> best;
    for (int value : stream) {
        if (kept.size() < k) {
            kept.emplace_back(value);
            best.insert(kept.back());
        } else if (value > best.min()->value) {
            Kept* smallest = best.min();
            smallest->value = value;
            best.increaseKey(*smallest);
        }
    }
    // Largest first: the kept values drained into a max-heap of their own.
    using Largest = binaryheap::Key<int, std::greater<int>>;
    std::vector<Largest> ordered;
    ordered.reserve(k);
    binaryheap::TypedHeap<Largest> byValue;
    while (Kept* item = best.deleteMin()) {
        ordered.emplace_back(item->value);
        byValue.insert(ordered.back());
    }
    std::printf("top %zu:", k);
    while (Largest* item = byValue.deleteMin()) {
        std::printf(" %d", item->value);
    }
    std::printf("\n");
    return 0;
}
