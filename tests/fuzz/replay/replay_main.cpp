// Runs a fuzz target's entry point over every file of its corpus, so the seeds (and any
// input that once failed, saved there) are checked by every ordinary test run.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv)
{
    namespace fs = std::filesystem;
    if (argc != 2 || !fs::is_directory(argv[1])) {
        std::fprintf(stderr, "usage: %s CORPUS_DIRECTORY\n", argv[0]);
        return 2;
    }
    int replayed = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(argv[1])) {
        if (!entry.is_regular_file())
            continue;
        std::ifstream file(entry.path(), std::ios::binary);
        const std::vector<std::uint8_t> input((std::istreambuf_iterator<char>(file)),
                                              std::istreambuf_iterator<char>());
        std::printf("%s\n", entry.path().filename().c_str());
        LLVMFuzzerTestOneInput(input.data(), input.size());
        ++replayed;
    }
    if (replayed == 0) {
        std::fprintf(stderr, "no inputs in %s\n", argv[1]);
        return 1;
    }
    // A failing input aborts above; reaching here means every one passed.
    std::printf("%d passed, 0 failed\n", replayed);
    return 0;
}
