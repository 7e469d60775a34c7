#include "Scene.h"

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

/// Adds without the undefined behaviour of signed overflow: values are never
/// clamped, so a long enough walk wraps round like the 32-bit integer it is.
std::int32_t wrappingAdd(std::int32_t value, std::int32_t delta) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value) +
                                     static_cast<std::uint32_t>(delta));
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
        item->value = wrappingAdd(item->value, delta);
        scene.heap.increaseKey(item);
    } else {
        item->value = wrappingAdd(item->value, -delta);
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
