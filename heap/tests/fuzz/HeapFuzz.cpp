// Reads its input as a program of heap operations, runs each one on the heap
// and on the models together, and aborts at the first disagreement so that
// libFuzzer keeps the input that caused it.
//
// Each operation is one opcode byte (its low three bits select the operation)
// followed by its operands; a program that ends inside an operand reads zeros.
#include "HeapModel.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

class Program {
  public:
    Program(const std::uint8_t* data, std::size_t size) : data(data), size(size) {}

    bool done() const { return at == size; }
    std::uint8_t byte() { return at < size ? data[at++] : 0; }
    /// A small signed operand: narrow values make ties likely.
    std::int8_t small() { return static_cast<std::int8_t>(byte()); }
    /// A full 32-bit operand, little-endian, for the extremes.
    std::int32_t wide() {
        std::uint32_t raw = 0;
        for (int shift = 0; shift < 32; shift += 8) {
            raw |= std::uint32_t{byte()} << shift;
        }
        return static_cast<std::int32_t>(raw);
    }

  private:
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at = 0;
};

void require(const std::string& fault, std::size_t operation) {
    if (!fault.empty()) {
        std::fprintf(stderr, "heap fault at operation %zu: %s\n", operation, fault.c_str());
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Program program(data, size);
    heapmodel::HeapDriver driver;
    std::size_t operation = 0;
    while (!program.done()) {
        const std::uint8_t opcode = program.byte();
        // The top bit picks the hook for a nudge that leaves the value as it was.
        const bool raiseIfSame = (opcode & 0x80) != 0;
        std::string fault;
        switch (opcode & 7) {
        case 0:
            fault = driver.insert(program.small());
            break;
        case 1:
            fault = driver.insert(program.wide());
            break;
        case 2:
            fault = driver.deleteMin();
            break;
        case 3:
            fault = driver.deleteLast();
            break;
        case 4: {
            const std::uint8_t position = program.byte();
            fault = driver.nudge(position, program.small(), raiseIfSame);
            break;
        }
        case 5: {
            const std::uint8_t position = program.byte();
            fault = driver.nudge(position, program.wide(), raiseIfSame);
            break;
        }
        case 6:
            fault = driver.member(program.small());
            break;
        default: // min, along with everything else the driver checks
            fault = driver.check();
            break;
        }
        require(fault, operation++);
    }
    require(driver.drain(), operation);
    return 0;
}
