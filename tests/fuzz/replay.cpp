// Replays a fuzz corpus without the fuzzer: every file of the given folders through one
// target, as the test command runs it in a normal build.
//     brenmoor-fuzz-replay TARGET FOLDER...
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/fuzz/fuzz_targets.h"

int main(int argc, char** argv) {
    using namespace brenmoor::fuzz;
    const Target* target = nullptr;
    if (argc >= 3)
        for (const Target& t : kTargets)
            if (t.name == argv[1]) target = &t;
    if (!target) {
        std::fprintf(stderr, "usage: brenmoor-fuzz-replay book|csv_line|importers|walk FOLDER...\n");
        return 2;
    }
    std::vector<std::filesystem::path> inputs;
    for (int i = 2; i < argc; ++i)
        for (const auto& entry : std::filesystem::recursive_directory_iterator(argv[i]))
            if (entry.is_regular_file()) inputs.push_back(entry.path());
    std::sort(inputs.begin(), inputs.end());
    for (const auto& input : inputs) {
        std::ifstream in(input, std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(in), {}};
        setCurrentInput(input.string());
        target->run(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    }
    std::printf("%s: %zu inputs replayed, every check held\n", argv[1], inputs.size());
    return inputs.empty() ? 1 : 0;
}
