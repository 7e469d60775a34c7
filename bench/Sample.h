// SPDX-License-Identifier: MIT
// What one side of a figure measured for one pair: the measuring process
// sends it to the parent through a pipe as it is, byte for byte.
#ifndef HEAP_BENCH_SAMPLE_H
#define HEAP_BENCH_SAMPLE_H

namespace bench {

/// One side's share of a pair: processor time, minor page faults, items
/// handled and runs made.
struct Sample {
    double seconds = 0;
    double faults = 0;
    double items = 0;
    double runs = 0;

    Sample& operator+=(const Sample& other) {
        seconds += other.seconds;
        faults += other.faults;
        items += other.items;
        runs += other.runs;
        return *this;
    }
};

} // namespace bench

#endif // HEAP_BENCH_SAMPLE_H
