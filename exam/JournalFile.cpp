#include "exam/JournalFile.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <sqlite3.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

// SQLite's own files beside a journal in write-ahead mode; the log holds committed answers.
constexpr const char* CompanionSuffixes[] = {"-wal", "-shm"};

// Results that say the file's content is at fault, not the rights or the room to write it, nor
// a program that holds it.
bool IsDamage(int result) {
    switch (result & 0xFF) {
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
        return true;
    default:
        return result == SQLITE_IOERR_SHORT_READ;
    }
}

// Results that say another live program holds the file's locks: it is in use, not damaged.
bool IsHeld(int result) {
    return (result & 0xFF) == SQLITE_BUSY || (result & 0xFF) == SQLITE_LOCKED;
}

bool IsFolderOrSpecial(const std::filesystem::path& path) {
    std::error_code error;
    const auto status = std::filesystem::symlink_status(path, error);
    return !error && std::filesystem::exists(status) && !std::filesystem::is_regular_file(status);
}

// Reads every page and takes the write lock, with a short wait. The locks of SQLite go with the
// process that took them, so a journal that stays locked is held by a program still running
// (not an exam: the lock of LockJournal is ours): it is left as it is.
std::string DatabaseDamage(const std::string& file) {
    sqlite3* db = nullptr;
    int result = sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    std::string check;
    if (result == SQLITE_OK) {
        sqlite3_busy_timeout(db, 1000);
        result = sqlite3_exec(
            db, "pragma quick_check",
            [](void* out, int, char** values, char**) {
                if (static_cast<std::string*>(out)->empty() && values[0])
                    *static_cast<std::string*>(out) = values[0];
                return 0;
            },
            &check, nullptr);
        if (result == SQLITE_OK)
            result = sqlite3_exec(db, "begin immediate; rollback", nullptr, nullptr, nullptr);
    }
    const std::string reason = db ? sqlite3_errmsg(db) : "out of memory";
    sqlite3_close(db);
    if (IsHeld(result))
        throw EJournalError("考试记录文件正被其他程序使用,现在无法打开:" + file);
    if (IsDamage(result))
        return reason;
    if (result == SQLITE_OK && check != "ok")
        return check;
    return {};
}

std::string LocalTimeText(std::chrono::system_clock::time_point now) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
    return text;
}

bool AnyExists(const std::string& path) {
    std::error_code error;
    if (std::filesystem::exists(std::filesystem::symlink_status(path, error)))
        return true;
    for (const char* suffix : CompanionSuffixes)
        if (std::filesystem::exists(std::filesystem::symlink_status(path + suffix, error)))
            return true;
    return false;
}

// Renames the journal and its companions to a name of their own; returns the journal's new name.
std::string SetAside(const std::string& file, std::chrono::system_clock::time_point now) {
    const std::string base = file + ".damaged-" + LocalTimeText(now);
    std::string kept = base;
    for (int n = 2; AnyExists(kept); ++n)
        kept = base + "-" + std::to_string(n);
    if (::rename(file.c_str(), kept.c_str()) != 0)
        throw EJournalError("损坏的考试记录文件无法改名:" + file + " (" + std::strerror(errno) +
                            ")");
    // A companion that cannot follow stays where it is; SQLite ignores a log of another file.
    for (const char* suffix : CompanionSuffixes)
        ::rename((file + suffix).c_str(), (kept + suffix).c_str());
    return kept;
}

class HeldLock final {
public:
    explicit HeldLock(const std::string& file) : fd(LockJournal(file)) {}
    ~HeldLock() { ::close(fd); }
    HeldLock(const HeldLock&) = delete;
    HeldLock& operator=(const HeldLock&) = delete;

private:
    int fd;
};

} // namespace

int LockJournal(const std::string& file) {
    const std::string lockFile = file + ".lock";
    const int fd = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        throw EJournalError("考试记录文件无法打开:" + lockFile);
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        throw EJournalError("另一个考试程序正在使用考试记录:" + file);
    }
    return fd;
}

std::string JournalDamage(const std::string& file) {
    if (IsFolderOrSpecial(file))
        return "不是普通文件";
    for (const char* suffix : CompanionSuffixes)
        if (IsFolderOrSpecial(file + suffix))
            return file + suffix + " 不是普通文件";
    std::error_code error;
    if (!std::filesystem::exists(file, error))
        return {};
    return DatabaseDamage(file);
}

OpenedJournal OpenJournalSettingDamageAside(const std::string& file,
                                            std::chrono::system_clock::time_point now) {
    OpenedJournal opened;
    {
        // The journal is judged, and set aside, only while no other program can be using it.
        const HeldLock lock(file);
        if (!JournalDamage(file).empty())
            opened.keptDamagedFile = SetAside(file, now);
    }
    opened.journal = std::make_unique<ExamJournal>(file);
    return opened;
}

std::string DamagedJournalMessage(const std::string& keptFile) {
    return "考试记录文件已损坏，已改名保留为:" + keptFile + "\n本次考试使用新的考试记录";
}
