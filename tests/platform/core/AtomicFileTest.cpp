#include "platform/AtomicFile.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

mode_t ModeOf(const std::filesystem::path& file) {
    struct stat status {};
    EXPECT_EQ(::stat(file.c_str(), &status), 0) << file;
    return status.st_mode & 07777;
}

// A new file gets 0666 less the umask; a replaced file keeps its own mode whatever the umask.
// The umask itself is never changed, not even for a moment.
TEST(AtomicFile, NewFilesTakeTheDefaultModeAndReplacedFilesKeepTheirs) {
    const struct {
        mode_t umask;
        int existingMode; // -1: no file yet
        mode_t expected;
    } cases[] = {
        {022, -1, 0644},   {077, -1, 0600},   {027, -1, 0640},
        {077, 0664, 0664}, {022, 0600, 0600}, {0, 0751, 0751},
    };
    for (const auto& c : cases) {
        testsupport::TempDir dir;
        const std::filesystem::path file = dir / "列项属性.txt";
        if (c.existingMode >= 0) {
            dir.write(file.filename(), "old");
            ::chmod(file.c_str(), static_cast<mode_t>(c.existingMode));
        }
        const mode_t saved = ::umask(c.umask);
        platform::ReplaceFileAtomically(file, "new");
        const mode_t during = ::umask(saved);
        EXPECT_EQ(during, c.umask);
        EXPECT_EQ(ModeOf(file), c.expected) << std::oct << c.umask << " " << c.existingMode;
        EXPECT_EQ(testsupport::readFile(file), "new");
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
    }
}

} // namespace
