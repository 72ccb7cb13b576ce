// Replays a fuzz target's corpus: every file of the folders named on the command line goes
// through the target once, as libFuzzer would feed it. A fault that a corpus file once found
// crashes this program again (under the sanitizers in the sanitizer pass) or trips the target's
// own check; a folder without files is an error, so that a wrong path cannot pass.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

std::vector<std::filesystem::path> FilesIn(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.is_regular_file())
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

std::string BytesOf(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc < 2) {
        std::fputs("usage: replay CORPUS-FOLDER...\n", stderr);
        return 2;
    }
    for (int i = 1; i < argc; ++i) {
        const std::vector<std::filesystem::path> files = FilesIn(argv[i]);
        if (files.empty()) {
            std::fprintf(stderr, "%s: no corpus files\n", argv[i]);
            return 1;
        }
        for (const auto& file : files) {
            const std::string bytes = BytesOf(file);
            std::printf("%s\n", file.filename().c_str());
            std::fflush(stdout);
            LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
        }
        std::printf("%zu inputs of %s replayed\n", files.size(), argv[i]);
    }
    return 0;
}
