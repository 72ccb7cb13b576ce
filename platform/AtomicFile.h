#pragma once

#include <filesystem>
#include <string_view>

namespace platform {

// Writes a file through a temporary file in the target's folder that is renamed over the target
// only once it is complete and on disk, so that the target is always either the old file or the
// whole new one. A file that is never committed leaves the target untouched and is removed.
// Failures throw platform::Exception with a Chinese message naming the file.
class AtomicFile final {
public:
    explicit AtomicFile(std::filesystem::path target);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    void write(std::string_view bytes);
    // Flushes the temporary file to disk and renames it over the target.
    void commit();

private:
    std::filesystem::path folder() const;
    void syncFolder() const;
    // Removes the temporary file and throws, naming the target and the system's reason.
    [[noreturn]] void abandon(const char* what);
    void discard();

    std::filesystem::path target;
    std::filesystem::path temp;
    int fd = -1;
};

// Replaces the target with the bytes in one step (see AtomicFile).
void ReplaceFileAtomically(const std::filesystem::path& target, std::string_view bytes);

} // namespace platform
