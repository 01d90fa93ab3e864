// Checks used by the fuzz targets. A failed check prints where it failed to
// standard output (standard error may be closed by the fuzzer's
// -close_fd_mask) and aborts, so that libFuzzer keeps the input and the
// replay driver fails its test.
#pragma once

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                                        \
    do {                                                                             \
        if (!(condition)) {                                                          \
            std::printf("%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::fflush(stdout);                                                     \
            std::abort();                                                            \
        }                                                                            \
    } while (0)
