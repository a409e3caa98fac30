// Runs a fuzz target over every file of the directories (or files) named on
// the command line, so the corpus and the crash inputs a fuzzer found are
// checked by every ordinary test run, without libFuzzer.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

namespace {

void RunOne(const std::filesystem::path &path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size());
}

}  // namespace

int main(int argc, char **argv) {
    int inputs = 0;
    for (int i = 1; i < argc; ++i) {
        std::filesystem::path path(argv[i]);
        if (std::filesystem::is_directory(path)) {
            for (const auto &entry : std::filesystem::directory_iterator(path)) {
                if (entry.is_regular_file()) {
                    RunOne(entry.path());
                    ++inputs;
                }
            }
        } else {
            RunOne(path);
            ++inputs;
        }
    }
    printf("replayed %d inputs\n", inputs);
    return inputs > 0 ? 0 : 1;
}
