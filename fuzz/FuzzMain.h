#pragma once

#include "ReaderChecks.h"

#include <cstdio>
#include <cstdlib>

// Any broken invariant is a crash for the fuzzer, with the reason printed.
inline void fuzzCheck(const std::string& problem)
{
    if (problem.empty())
        return;
    std::fprintf(stderr, "invariant broken: %s\n", problem.c_str());
    std::abort();
}
