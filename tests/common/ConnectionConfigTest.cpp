#include "common/ConnectionConfig.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string RefusalOf(const QString& programDirectory) {
    try {
        ReadConnectionString(DBConfigSection, programDirectory);
        return "read";
    } catch (const ConfigFileUnreadable& refusal) {
        return refusal.what();
    }
}

// Root reads every file, so as root a child process reads as "nobody" and reports by a pipe.
std::string RefusalSeenWithoutRights(const QString& programDirectory) {
    int ends[2];
    if (geteuid() != 0 || pipe(ends) != 0)
        return RefusalOf(programDirectory);
    const pid_t child = fork();
    if (child == 0) {
        const passwd* nobody = getpwnam("nobody");
        const std::string text =
            nobody && setgid(nobody->pw_gid) == 0 && setuid(nobody->pw_uid) == 0
                ? RefusalOf(programDirectory)
                : "no user nobody";
        _exit(write(ends[1], text.data(), text.size()) < 0);
    }
    close(ends[1]);
    waitpid(child, nullptr, 0);
    char text[1024];
    const ssize_t got = read(ends[0], text, sizeof text);
    close(ends[0]);
    return std::string(text, static_cast<size_t>(std::max<ssize_t>(got, 0)));
}

// As installed: the file beside the program links to one only root and its group may read.
TEST(ConnectionConfig, AFileTheUserMayNotReadNamesTheFileAndTheGroupToJoin) {
    const testsupport::TempDir dir;
    const auto target = dir.write("etc/DBConifg.ini", "[DBConifg]\nConnectionString=x\n");
    std::filesystem::create_directory(dir / "bin");
    std::filesystem::create_symlink(target, dir / "bin" / "DBConifg.ini");
    chmod(dir.path().c_str(), 0755);
    chmod(target.c_str(), geteuid() == 0 ? 0640 : 0); // an owner but root reads 0640
    EXPECT_EQ(QString::fromStdString(
                  RefusalSeenWithoutRights(QString::fromStdString((dir / "bin").string()) + u'/')),
              u"无法读取配置文件 %1：本用户无权读取。请管理员把本用户加入用户组 examsuite"
              "（sudo adduser 用户名 examsuite），重新登录后再试"_qs.arg(
                  QString::fromStdString(target.string())));
}

} // namespace
