// Runs a fuzz target once over each file of the folders and files given, the
// way libFuzzer runs a corpus, for builds without libFuzzer: the seeds and
// every input that once failed stay checked by the ordinary test run.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t cbData);

namespace {

void Run(const std::filesystem::path& path, int* pnRun)
{
    std::ifstream file(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    ++*pnRun;
}

} // namespace

int main(int argc, char** argv)
{
    int nRun = 0;
    for (int i = 1; i < argc; ++i) {
        std::filesystem::path path(argv[i]);
        if (std::filesystem::is_directory(path)) {
            for (const auto& entry : std::filesystem::recursive_directory_iterator(path)) {
                if (entry.is_regular_file())
                    Run(entry.path(), &nRun);
            }
        } else if (std::filesystem::is_regular_file(path)) {
            Run(path, &nRun);
        } else {
            std::fprintf(stderr, "%s: no such file or folder\n", argv[i]);
            return 2;
        }
    }
    std::printf("%d inputs, all passed\n", nRun);
    return nRun > 0 ? 0 : 1;
}
