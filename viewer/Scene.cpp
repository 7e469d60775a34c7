// SPDX-License-Identifier: MIT
#include "Scene.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

GraphicsScene SCENE;

GraphicsScene::GraphicsScene() : items(new NodeData*[kItemCount]()) {}

GraphicsScene::~GraphicsScene() {
    // Every slot is examined: quitting during growth leaves the tail empty.
    for (int i = 0; i < kItemCount; ++i) {
        delete items[i];
    }
    delete[] items;
}

namespace {

/// Moves value by delta, stopping at the 32-bit limits. A value that wrapped
/// round would move against the direction its hook reports, and the heap
/// would lose its order.
std::int32_t saturatingAdd(std::int32_t value, int delta) {
    return static_cast<std::int32_t>(
        std::clamp<std::int64_t>(std::int64_t{value} + delta, INT32_MIN, INT32_MAX));
}

void growScene(GraphicsScene& scene) {
    auto* item = new IntNodeData(std::rand() % kValueRange);
    scene.heap.insert(item);
    scene.items[scene.count] = item;
}

void nudgeRandomItem(GraphicsScene& scene) {
    // Three separate statements: the draws must come in this order.
    const int index = std::rand() % kItemCount;
    const int parity = std::rand() % 2;
    const int delta = std::rand() % kValueRange;
    auto* item = static_cast<IntNodeData*>(scene.items[index]);
    if (parity == 0) {
        item->value = saturatingAdd(item->value, delta);
        scene.heap.increaseKey(item);
    } else {
        item->value = saturatingAdd(item->value, -delta);
        scene.heap.decreaseKey(item);
    }
}

} // namespace

void stepScene(GraphicsScene& scene) {
    if (scene.count < kItemCount) {
        growScene(scene);
    } else {
        nudgeRandomItem(scene);
    }
}

void countFrame(GraphicsScene& scene) {
    if (scene.count < INT32_MAX) {
        scene.count += 1;
    }
}
