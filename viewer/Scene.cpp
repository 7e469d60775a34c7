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

StepReport growScene(GraphicsScene& scene) {
    auto* item = new IntNodeData(std::rand() % kValueRange);
    scene.heap.insert(item);
    scene.items[scene.count] = item;
    // A new item starts at the next free position, the count's.
    const HeapPlace place = placeOf(item->node);
    return {StepReport::Kind::Inserted, scene.count, item->value, 0,
            depthOfPosition(scene.count) - place.depth, place.position};
}

StepReport nudgeRandomItem(GraphicsScene& scene) {
    // Three separate statements: the draws must come in this order.
    const int index = std::rand() % kItemCount;
    const int parity = std::rand() % 2;
    const int delta = std::rand() % kValueRange;
    auto* item = static_cast<IntNodeData*>(scene.items[index]);
    const std::int32_t before = item->value;
    const int depthBefore = placeOf(item->node).depth;
    if (parity == 0) {
        item->value = saturatingAdd(item->value, delta);
        scene.heap.increaseKey(item);
    } else {
        item->value = saturatingAdd(item->value, -delta);
        scene.heap.decreaseKey(item);
    }
    const HeapPlace place = placeOf(item->node);
    const std::int64_t moved = std::int64_t{item->value} - before;
    return {parity == 0 ? StepReport::Kind::Raised : StepReport::Kind::Lowered, index,
            item->value, moved < 0 ? -moved : moved, depthBefore - place.depth, place.position};
}

} // namespace

StepReport stepScene(GraphicsScene& scene) {
    return scene.count < kItemCount ? growScene(scene) : nudgeRandomItem(scene);
}

void countFrame(GraphicsScene& scene) {
    if (scene.count < INT32_MAX) {
        scene.count += 1;
    }
}
