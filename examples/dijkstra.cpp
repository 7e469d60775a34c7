// SPDX-License-Identifier: MIT
// Shortest road distances between a few towns, with ShortestPaths.h: the
// heap's decreaseKey lowers a town's tentative distance in place whenever a
// shorter road in is found.
#include "ShortestPaths.h"

#include <cstddef>
#include <cstdio>
#include <vector>

int main() {
    const char* const towns[] = {"Ashby", "Brook", "Carden", "Dunmore", "Elwick", "Fenton"};
    struct Road {
        std::size_t from, to;
        int km;
    };
    // One-way roads, as a list; the search wants them grouped by town.
    const Road roads[] = {{0, 1, 7},  {0, 2, 9}, {0, 5, 14}, {1, 2, 10}, {1, 3, 15},
                          {2, 3, 11}, {2, 5, 2}, {3, 4, 6},  {5, 4, 9},  {4, 3, 1}};
    const std::size_t count = sizeof towns / sizeof towns[0];
    std::vector<std::size_t> firstArc(count + 1, 0);
    for (const Road& road : roads) {
        ++firstArc[road.from + 1];
    }
    for (std::size_t town = 0; town < count; ++town) {
        firstArc[town + 1] += firstArc[town];
    }
    std::vector<std::size_t> target(sizeof roads / sizeof roads[0]);
    std::vector<int> km(target.size());
    std::vector<std::size_t> filled(firstArc.begin(), firstArc.end() - 1);
    for (const Road& road : roads) {
        const std::size_t arc = filled[road.from]++;
        target[arc] = road.to;
        km[arc] = road.km;
    }

    ShortestPaths<long> paths(count);
    paths.run(firstArc, target, km, 0);
    for (std::size_t town = 0; town < count; ++town) {
        std::printf("%s to %s: %ld km\n", towns[0], towns[town], paths.distance(town));
    }
    return 0;
}
