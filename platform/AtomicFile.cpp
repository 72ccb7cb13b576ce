#include "platform/AtomicFile.h"

#include "platform/RuntimeErrors.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace platform {
namespace {

// The permissions the new file should have: those of the file it replaces, or the ones a newly
// created file gets under the process's umask.
mode_t permissionsFor(const std::filesystem::path& target) {
    struct stat existing {};
    if (::stat(target.c_str(), &existing) == 0)
        return existing.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

AtomicFile::AtomicFile(std::filesystem::path targetPath) : target(std::move(targetPath)) {
    std::string pattern = (folder() / ("." + target.filename().string() + ".XXXXXX")).string();
    fd = ::mkstemp(pattern.data());
    if (fd < 0)
        abandon("无法写入文件");
    temp = pattern;
    if (::fchmod(fd, permissionsFor(target)) != 0)
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
