#pragma once
// A fuzz target's own check: it holds in every build, asserts or not, and a failure stops the
// fuzzer at the input that broke it.

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "check failed: %s\n", #condition);                                \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)
