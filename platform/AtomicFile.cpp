#include "platform/AtomicFile.h"

#include "platform/RuntimeErrors.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <random>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace platform {
namespace {

// A new file beside the target, named after it. It is created with mode 0666, from which the
// kernel takes the process's umask away: the default mode of a new file, reached without
// changing the umask (which is process-wide and would race with other threads creating files).
int CreateTemporary(const std::filesystem::path& folder, const std::string& name,
                    std::filesystem::path& temp) {
    static std::atomic<unsigned> counter{0};
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[24];
        std::snprintf(suffix, sizeof suffix, ".%08x", random() ^ counter++);
        temp = folder / ("." + name + suffix);
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

} // namespace

AtomicFile::AtomicFile(std::filesystem::path targetPath) : target(std::move(targetPath)) {
    fd = CreateTemporary(folder(), target.filename().string(), temp);
    if (fd < 0) {
        temp.clear();
        abandon("无法写入文件");
    }
    // A replaced file keeps its mode; set on the descriptor, so no other file is touched.
    struct stat existing {};
    if (::stat(target.c_str(), &existing) == 0 && ::fchmod(fd, existing.st_mode & 07777) != 0)
        abandon("无法写入文件");
}

AtomicFile::~AtomicFile() {
    discard();
}

void AtomicFile::write(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            abandon("写入文件失败");
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

void AtomicFile::commit() {
    if (::fdatasync(fd) != 0)
        abandon("写入文件失败");
    if (::close(std::exchange(fd, -1)) != 0)
        abandon("写入文件失败");
    if (::rename(temp.c_str(), target.c_str()) != 0)
        abandon("无法替换文件");
    temp.clear();
    syncFolder();
}

std::filesystem::path AtomicFile::folder() const {
    return target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
}

// Makes the rename itself survive a crash. A folder that cannot be synced leaves the new file
// in place all the same, so a failure here is not reported.
void AtomicFile::syncFolder() const {
    const int folderFd = ::open(folder().c_str(), O_RDONLY | O_DIRECTORY);
    if (folderFd >= 0) {
        ::fsync(folderFd);
        ::close(folderFd);
    }
}

void AtomicFile::abandon(const char* what) {
    const std::string reason = platform::lastSystemError();
    discard();
    throw platform::Exception(std::string(what) + " \"" + target.string() + "\"：" + reason);
}

void AtomicFile::discard() {
    if (fd >= 0)
        ::close(fd);
    fd = -1;
    if (!temp.empty())
        ::unlink(temp.c_str());
    temp.clear();
}

void ReplaceFileAtomically(const std::filesystem::path& target, std::string_view bytes) {
    AtomicFile file(target);
    file.write(bytes);
    file.commit();
}

} // namespace platform
