// SPDX-License-Identifier: MIT
// Reads its input as a program of heap operations, runs each one on the heap
// and on the models together, and aborts at the first disagreement so that
// libFuzzer keeps the input that caused it.
//
// Each operation is one opcode byte (its low three bits select the operation;
// 7 reads a second byte that selects one of the rarer ones) followed by its
// operands; a program that ends inside an operand reads zeros.
#include "HeapModel.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void require(const std::string& fault, std::size_t operation) {
    if (!fault.empty()) {
        std::fprintf(stderr, "heap fault at operation %zu: %s\n", operation, fault.c_str());
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::size_t at = 0;
    auto byte = [&]() -> std::uint8_t { return at < size ? data[at++] : 0; };
    // Odd opcodes take a full 32-bit little-endian operand, for the extremes;
    // even ones a small signed byte, as narrow values make ties likely.
    auto operand = [&](std::uint8_t opcode) {
        if ((opcode & 1) == 0) {
            return std::int32_t{static_cast<std::int8_t>(byte())};
        }
        std::uint32_t raw = 0;
        for (int shift = 0; shift < 32; shift += 8) {
            raw |= std::uint32_t{byte()} << shift;
        }
        return static_cast<std::int32_t>(raw);
    };
    heapmodel::HeapDriver driver;
    std::size_t operation = 0;
    while (at < size) {
        const std::uint8_t opcode = byte();
        const int op = opcode & 7;
        // Bit 6 runs the operation with lt throwing at each comparison in turn.
        driver.exhaustive = (opcode & 0x40) != 0;
        // The top bit picks the hook for a nudge that leaves the value as it was.
        auto nudge = [&] {
            const std::uint8_t position = byte(); // read before the operand
            return driver.nudge(position, operand(opcode), (opcode & 0x80) != 0);
        };
        // 7 runs one of the rarer operations, picked by the next byte.
        auto rarer = [&] {
            const std::uint8_t which = byte();
            switch (which & 7) {
            case 0:
                return driver.remove(byte());
            case 1:
                return driver.contains(byte());
            case 2:
                return driver.clear();
            case 3:
                return driver.swap((which & 8) != 0);
            case 4:
                return driver.move((which & 8) != 0);
            case 5:
                return driver.nudge(byte(), operand(which), (which & 8) != 0, true);
            default:
                return driver.check();
            }
        };
        const std::string fault = op < 2    ? driver.insert(operand(opcode))
                                  : op == 2 ? driver.deleteMin()
                                  : op == 3 ? driver.deleteLast()
                                  : op < 6  ? nudge()
                                  : op == 6 ? driver.member(operand(opcode))
                                            : rarer();
        require(fault, operation++);
    }
    require(driver.drain(), operation);
    return 0;
}
