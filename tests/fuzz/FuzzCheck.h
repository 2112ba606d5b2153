#pragma once

// Invariant checks of the fuzz targets: a violated one aborts with a message,
// which libFuzzer reports as a finding and saves the input for.

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition, what)                                                                                    \
    do {                                                                                                               \
        if (!(condition)) {                                                                                            \
            std::fprintf(stderr, "invariant violated: %s\n  (%s, %s:%d)\n", what, #condition, __FILE__, __LINE__);     \
            std::abort();                                                                                              \
        }                                                                                                              \
    } while (0)

// A smaller quarantine than AddressSanitizer's default: the targets free
// large buffers on every run, and recycling them through 256 MB costs more
// than it finds; and shorter allocation stacks, which are recorded on every
// allocation.
extern "C" __attribute__((used)) const char* __asan_default_options()
{
    return "quarantine_size_mb=32:malloc_context_size=10";
}
