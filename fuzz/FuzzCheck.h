// The fuzz targets' property check: stops the run with the broken condition.
#pragma once

#include <cstdio>
#include <cstdlib>

#define Check(cond)                                                                                \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, #cond);       \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)
