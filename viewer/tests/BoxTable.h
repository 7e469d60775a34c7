// SPDX-License-Identifier: MIT
// The expected box of every heap position, read from boxes.tsv: the one
// account of the picture's geometry that the tests share, worked out apart
// from the program's own arithmetic. CMake gives its path as HEAP_BOX_TABLE.
#ifndef VIEWER_TESTS_BOX_TABLE_H
#define VIEWER_TESTS_BOX_TABLE_H

#include <cstddef>
#include <fstream>
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

/// The rows in level order, position 1 first. Throws on anything but the
/// expected header and then rows for positions 1, 2, 3, ...
inline const std::vector<ExpectedBox>& boxTable() {
    static const std::vector<ExpectedBox> rows = [] {
        std::ifstream in(HEAP_BOX_TABLE);
        std::string line;
        while (std::getline(in, line) && line.rfind('#', 0) == 0) {
        }
        if (line != "position\tdepth\tx\ty\twidth\theight\tfont\tlabel_y\tlabel_step") {
            throw std::runtime_error(HEAP_BOX_TABLE ": not the expected header");
        }
        std::vector<ExpectedBox> read;
        for (ExpectedBox box{}; in >> box.position >> box.depth >> box.x >> box.y >> box.width >>
                                box.height >> box.font >> box.labelY >> box.labelStep;) {
            if (box.position != static_cast<int>(read.size()) + 1) {
                throw std::runtime_error(HEAP_BOX_TABLE ": rows out of order at " +
                                         std::to_string(box.position));
            }
            read.push_back(box);
        }
        if (read.empty() || !in.eof()) {
            throw std::runtime_error(HEAP_BOX_TABLE ": a row that does not read");
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
