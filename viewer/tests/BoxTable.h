// SPDX-License-Identifier: MIT
// The expected box of every heap position, read from boxes.tsv: the one
// account of the picture's geometry that the tests share, worked out apart
// from the program's own arithmetic. CMake gives its path as HEAP_BOX_TABLE.
#ifndef VIEWER_TESTS_BOX_TABLE_H
#define VIEWER_TESTS_BOX_TABLE_H

#include <cstddef>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

/// One row: a position's box centre and size in drawing units, and its label.
struct ExpectedBox {
    int position, depth, x, y, width, height;
    std::string font; ///< "large", "small" or "none"
    int labelY;       ///< the label's baseline, 0 when none
    double labelStep; ///< units per character left of x, 0 when none

    bool labelled() const { return font != "none"; }
    bool large() const { return font == "large"; }
    /// Where a label of length characters starts.
    double labelX(std::size_t length) const { return x - labelStep * static_cast<double>(length); }
};

/// The rows in level order, position 1 first. Throws, naming the line, on
/// anything but the expected header and then positions 1, 2, 3, ...
inline const std::vector<ExpectedBox>& boxTable() {
    static const std::vector<ExpectedBox> rows = [] {
        std::ifstream in(HEAP_BOX_TABLE);
        std::vector<ExpectedBox> read;
        std::string line, header;
        for (int number = 1; std::getline(in, line); ++number) {
            std::istringstream fields(line);
            ExpectedBox box{};
            std::string baseline, step, rest;
            if (line.empty() || line[0] == '#') {
                continue;
            } else if (header.empty()) {
                header = line;
                if (header == "position\tdepth\tx\ty\twidth\theight\tfont\tlabel_y\tlabel_step") {
                    continue;
                }
            } else if (fields >> box.position >> box.depth >> box.x >> box.y >> box.width >>
                           box.height >> box.font >> baseline >> step &&
                       !(fields >> rest) && box.position == static_cast<int>(read.size()) + 1 &&
                       (box.font == "none") == (step == "-")) {
                box.labelY = box.labelled() ? std::stoi(baseline) : 0;
                box.labelStep = box.labelled() ? std::stod(step) : 0;
                read.push_back(box);
                continue;
            }
            throw std::runtime_error(HEAP_BOX_TABLE ":" + std::to_string(number) + ": not a row");
        }
        if (read.empty()) {
            throw std::runtime_error("no rows in " HEAP_BOX_TABLE);
        }
        return read;
    }();
    return rows;
}

/// The row of a heap position, 1 the root.
inline const ExpectedBox& expectedBox(int position) {
    return boxTable().at(static_cast<std::size_t>(position - 1));
}

#endif // VIEWER_TESTS_BOX_TABLE_H
