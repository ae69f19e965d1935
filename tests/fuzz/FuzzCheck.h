#pragma once

#include <cstdio>
#include <cstdlib>

// A property every input must keep: when it breaks, the target stops at once, so both libFuzzer
// and the test driver keep the input that broke it.
#define FUZZ_CHECK(condition)                                                                                \
    do {                                                                                                     \
        if (!(condition)) {                                                                                  \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);               \
            std::abort();                                                                                    \
        }                                                                                                    \
    } while (false)
