#include "ui/AtomicFile.h"

#include "platform/RuntimeErrors.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace ui {
namespace {

[[noreturn]] void fail(const char* what, const std::filesystem::path& file) {
    throw platform::Exception(std::string(what) + " \"" + file.string() + "\"：" +
                              platform::lastSystemError());
}

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
    const auto folder = target.has_parent_path() ? target.parent_path() : ".";
    std::string pattern = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    fd = ::mkstemp(pattern.data());
    if (fd < 0)
        fail("无法写入文件", target);
    temp = pattern;
    if (::fchmod(fd, permissionsFor(target)) != 0) {
        const int error = errno;
        discard();
        errno = error;
        fail("无法写入文件", target);
    }
}

AtomicFile::~AtomicFile() {
    discard();
}

void AtomicFile::write(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            const int error = errno;
            discard();
            errno = error;
            fail("写入文件失败", target);
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

void AtomicFile::commit() {
    if (::fdatasync(fd) != 0 || ::close(fd) != 0) {
        const int error = errno;
        fd = -1;
        discard();
        errno = error;
        fail("写入文件失败", target);
    }
    fd = -1;
    if (::rename(temp.c_str(), target.c_str()) != 0) {
        const int error = errno;
        discard();
        errno = error;
        fail("无法替换文件", target);
    }
    temp.clear();
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

} // namespace ui
