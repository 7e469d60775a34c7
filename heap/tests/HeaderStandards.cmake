# SPDX-License-Identifier: MIT
# Compiles a small consumer of both headers with every compiler found (g++,
# clang++) at every standard from C++11 to C++23, with and without NDEBUG,
# under -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wold-style-cast
# -Werror. Where a compiler does not know -std=c++23 yet, its c++2b is used.
#   cmake -DSOURCE_DIR=... -DOUTPUT_DIR=... -P HeaderStandards.cmake
file(MAKE_DIRECTORY ${OUTPUT_DIR})
set(source ${OUTPUT_DIR}/headers.cpp)
file(WRITE ${source} [[
#include <heap/BinaryHeap.h>
#include <heap/TypedKey.h>

#include <functional>

namespace {
struct Job {
    double due;
    int id;
};
struct Sooner {
    bool operator()(const Job& a, const Job& b) const {
        return a.due < b.due || (a.due == b.due && a.id < b.id);
    }
};
} // namespace

int main() {
    MinBinaryHeap heap;
    IntNodeData a(1);
    heap.insert(&a);
    heap.update(&a);
    (void)heap.contains(&a);
    (void)heap.member(&a);
    heap.increaseKey(&a);
    heap.decreaseKey(&a);
    heap.remove(&a);
    binaryheap::TypedHeap<binaryheap::Key<Job, Sooner>> jobs;
    binaryheap::Key<Job, Sooner> job(Job{1.5, 2});
    jobs.insert(job);
    binaryheap::TypedHeap<binaryheap::Key<double, std::greater<double>>> largest;
    binaryheap::Key<double, std::greater<double>> value(2.5);
    largest.insert(value);
    (void)binaryheap::Key<int>::from(heap.min());
    MinBinaryHeap moved(static_cast<MinBinaryHeap&&>(heap));
    return static_cast<int>(moved.size() + jobs.size()) + (largest.deleteMin() == &value ? 0 : 1);
}
]])
set(warnings -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wold-style-cast -Werror)
set(compilers)
foreach(name g++ clang++)
    find_program(compiler_${name} ${name})
    if(compiler_${name})
        list(APPEND compilers ${compiler_${name}})
    endif()
endforeach()
if(NOT compilers)
    message(FATAL_ERROR "neither g++ nor clang++ found")
endif()
set(failures)
foreach(compiler IN LISTS compilers)
    foreach(standard 11 14 17 20 23)
        set(std -std=c++${standard})
        if(standard EQUAL 23)
            execute_process(COMMAND ${compiler} ${std} -x c++ -fsyntax-only /dev/null
                            RESULT_VARIABLE known OUTPUT_QUIET ERROR_QUIET)
            if(NOT known EQUAL 0)
                set(std -std=c++2b)
            endif()
        endif()
        foreach(define -UNDEBUG -DNDEBUG)
            execute_process(COMMAND ${compiler} ${std} ${define} ${warnings} -fsyntax-only
                                    -I${SOURCE_DIR} ${source}
                            RESULT_VARIABLE result ERROR_VARIABLE err)
            if(NOT result EQUAL 0)
                list(APPEND failures "${compiler} ${std} ${define}:\n${err}")
            endif()
        endforeach()
    endforeach()
endforeach()
if(failures)
    message(FATAL_ERROR "the headers do not compile clean:\n${failures}")
endif()
message("headers clean with ${compilers}, C++11 to C++23")
