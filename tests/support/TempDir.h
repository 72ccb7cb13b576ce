#pragma once

#include <filesystem>
#include <string>

namespace testsupport {

// A fresh folder below the system's temporary directory, removed with everything in it when the
// object goes out of scope, so that no test sees another test's files.
class TempDir final {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return root; }
    std::filesystem::path operator/(const std::filesystem::path& relative) const {
        return root / relative;
    }

    // Writes bytes to a file below the folder, creating the folders on the way.
    std::filesystem::path write(const std::filesystem::path& relative,
                                const std::string& bytes) const;

private:
    std::filesystem::path root;
};

std::string readFile(const std::filesystem::path& file);

} // namespace testsupport
