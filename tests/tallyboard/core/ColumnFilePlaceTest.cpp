#include "tallyboard/ColumnFilePlace.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using tallyboard::ColumnFilePlaceFor;
namespace fs = std::filesystem;

// The installed layout: the program folder holds a link to the file in another folder.
struct InstalledLayout {
    testsupport::TempDir dir;
    fs::path etcFile = dir.write("etc/列项属性.txt", "[score]\r\n");
    fs::path programFile = dir / "program/列项属性.txt";
    fs::path user = dir / "user";
    InstalledLayout() {
        fs::create_directories(programFile.parent_path());
        fs::create_symlink(etcFile, programFile);
        fs::create_directories(user);
    }
};

TEST(ColumnFilePlace, AWritableFileIsRewrittenThroughItsLinkAndTheUserCopyIgnored) {
    InstalledLayout layout;
    layout.dir.write("user/列项属性.txt", "[other]\r\n");
    const auto place = ColumnFilePlaceFor(layout.programFile, layout.user);
    EXPECT_EQ(place.read, layout.etcFile);
    EXPECT_EQ(place.write, layout.etcFile);
    tallyboard::SaveColumnLayoutAt(place, "[score]\r\nA,a,,1,true\r\n");
    EXPECT_TRUE(fs::is_symlink(layout.programFile));
    EXPECT_EQ(testsupport::readFile(layout.programFile), "[score]\r\nA,a,,1,true\r\n");
}

// A user who may not write the program's file (run as nobody when the tests run as root) gets
// a copy of their own, which is read from then on.
TEST(ColumnFilePlace, AReadOnlyFileGoesToTheUsersCopyWhichIsReadFirstThen) {
    InstalledLayout layout;
    const fs::path etc = layout.etcFile.parent_path();
    for (const fs::path& folder : {layout.dir.path(), etc, layout.programFile.parent_path()})
        fs::permissions(folder, fs::perms(0755));
    fs::permissions(layout.user, fs::perms(0777));
    fs::permissions(layout.etcFile, fs::perms(0644));
    if (geteuid() != 0)
        fs::permissions(etc, fs::perms(0555));
    const pid_t child = fork();
    if (child == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(3);
        const auto first = ColumnFilePlaceFor(layout.programFile, layout.user / "examsuite");
        if (first.read != layout.etcFile || first.write != layout.user / "examsuite/列项属性.txt")
            _exit(4);
        tallyboard::SaveColumnLayoutAt(first, "[score]\r\nB,b,,2,true\r\n");
        const auto then = ColumnFilePlaceFor(layout.programFile, layout.user / "examsuite");
        _exit(then.read == first.write ? 0 : 5);
    }
    int status = 0;
    waitpid(child, &status, 0);
    fs::permissions(etc, fs::perms(0755));
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(testsupport::readFile(layout.user / "examsuite/列项属性.txt"),
              "[score]\r\nB,b,,2,true\r\n");
    EXPECT_EQ(testsupport::readFile(layout.etcFile), "[score]\r\n");
}

} // namespace
