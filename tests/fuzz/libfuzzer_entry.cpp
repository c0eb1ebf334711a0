// The libFuzzer entry of one target, named when the fuzzer is built (BRENMOOR_FUZZ_TARGET).
#include <cstdlib>

#include "tests/fuzz/fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const auto run = [] {
        for (const brenmoor::fuzz::Target& target : brenmoor::fuzz::kTargets)
            if (target.name == BRENMOOR_FUZZ_TARGET) return target.run;
        std::abort();
    }();
    return run(data, size);
}
