// Which version of each kernel runs: per kernel, the widest set the
// processor offers (or VTT_KERNELS allows) that keeps a version of it.

#include "document/PixelKernels.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace vtt::kernels {

namespace {

constexpr int SetCount = 4;

// Each set's own table, null where this build or processor has none.
const KernelSet* ownTable(SetId id)
{
    switch (id) {
    case SetId::Scalar:
        return &detail::Scalar;
#if defined(__x86_64__)
    case SetId::Ssse3:
        return &detail::Ssse3;
    case SetId::Avx2:
        return &detail::Avx2;
    case SetId::Avx512:
        return &detail::Avx512;
#endif
    default:
        return nullptr;
    }
}

SetId widestSupported()
{
#if defined(__x86_64__)
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi2") && __builtin_cpu_supports("avx512bw")
        && __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512vbmi")
        && __builtin_cpu_supports("avx512vnni"))
        return SetId::Avx512;
    if (__builtin_cpu_supports("avx2"))
        return SetId::Avx2;
    if (__builtin_cpu_supports("ssse3"))
        return SetId::Ssse3;
#endif
    return SetId::Scalar;
}

// Set `id`'s table with each kernel it lacks taken from the nearest narrower
// set that has one.
KernelSet filledIn(SetId id)
{
    KernelSet out{};
    out.name = SetNames[static_cast<int>(id)];
    for (int s = static_cast<int>(id); s >= 0; --s) {
        const KernelSet& own = *ownTable(static_cast<SetId>(s));
        int k = 0;
        const auto take = [&](auto& slot, auto from) {
            if (!slot && from) {
                slot = from;
                out.from[k] = static_cast<SetId>(s);
            }
            ++k;
        };
        take(out.shuffle34, own.shuffle34);
        take(out.shuffle44, own.shuffle44);
        take(out.shuffle43, own.shuffle43);
        take(out.fill4, own.fill4);
        take(out.reverse, own.reverse);
        take(out.expandRuns3, own.expandRuns3);
        take(out.expandRuns4, own.expandRuns4);
        take(out.halveRow, own.halveRow);
        take(out.halveIndexed, own.halveIndexed);
    }
    return out;
}

struct Tables {
    SetId widest = widestSupported();
    KernelSet filled[SetCount]{};
    Tables()
    {
        for (int s = 0; s <= static_cast<int>(widest); ++s)
            filled[s] = filledIn(static_cast<SetId>(s));
    }
};

const Tables& tables()
{
    static const Tables t;
    return t;
}

} // namespace

SetId chooseSet(const char* value, SetId widest, std::string& problem)
{
    problem.clear();
    if (!value || !*value)
        return widest;
    for (int s = 0; s < SetCount; ++s)
        if (std::strcmp(value, SetNames[s]) == 0)
            return static_cast<SetId>(s) < widest ? static_cast<SetId>(s) : widest;
    problem = std::string("VTT_KERNELS=") + value + " is not one of scalar, ssse3, avx2, avx512; using "
              + SetNames[static_cast<int>(widest)];
    return widest;
}

std::vector<const KernelSet*> available()
{
    std::vector<const KernelSet*> sets;
    for (int s = 0; s <= static_cast<int>(tables().widest); ++s)
        sets.push_back(&tables().filled[s]);
    return sets;
}

const KernelSet& active()
{
    static const KernelSet* const chosen = [] {
        std::string problem;
        const SetId id = chooseSet(std::getenv("VTT_KERNELS"), tables().widest, problem);
        if (!problem.empty())
            std::fprintf(stderr, "%s\n", problem.c_str());
        return &tables().filled[static_cast<int>(id)];
    }();
    return *chosen;
}

} // namespace vtt::kernels
