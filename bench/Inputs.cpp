// SPDX-License-Identifier: MIT
#include "Inputs.h"

#include <algorithm>

namespace bench {
namespace {

constexpr Key maxRandomKey = 1'000'000'000;

} // namespace

KeySets::KeySets(std::size_t n, std::uint32_t seed)
    : n_(n), count_(std::clamp<std::size_t>((std::size_t{1} << 22) / n, 4, 64)),
      keys_(n_ * count_) {
    std::mt19937 generator(seed);
    std::uniform_int_distribution<Key> keys(0, maxRandomKey);
    for (Key& key : keys_) {
        key = keys(generator);
    }
}

ChangeStream::ChangeStream(std::size_t items, std::size_t perSample, std::uint32_t seed)
    : generator_(seed), ids_(0, static_cast<Id>(items - 1)), keys_(0, maxRandomKey),
      changes_(perSample) {}

const std::vector<Change>& ChangeStream::next() {
    for (Change& change : changes_) {
        change.id = ids_(generator_);
        change.key = keys_(generator_);
    }
    return changes_;
}

Graph randomGraph(std::size_t vertices, std::uint32_t seed) {
    constexpr std::size_t randomArcs = 4;
    std::mt19937 generator(seed);
    std::uniform_int_distribution<Id> ids(0, static_cast<Id>(vertices - 1));
    std::uniform_int_distribution<Key> weights(1, 1000);
    Graph graph;
    graph.firstArc.reserve(vertices + 1);
    for (std::size_t v = 0; v < vertices; ++v) {
        graph.firstArc.push_back(graph.target.size());
        graph.target.push_back(static_cast<Id>((v + 1) % vertices));
        graph.weight.push_back(weights(generator));
        for (std::size_t k = 0; k < randomArcs; ++k) {
            graph.target.push_back(ids(generator));
            graph.weight.push_back(weights(generator));
        }
    }
    graph.firstArc.push_back(graph.target.size());
    return graph;
}

} // namespace bench
