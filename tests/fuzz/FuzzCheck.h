#pragma once
// What a fuzz target uses to report a broken property: print why and abort, so that libFuzzer saves
// the input and the replay test fails.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

#define FUZZ_CHECK(condition)                                                                       \
    do {                                                                                            \
        if (!(condition)) {                                                                         \
            std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, #condition);   \
            std::abort();                                                                           \
        }                                                                                           \
    } while (0)
