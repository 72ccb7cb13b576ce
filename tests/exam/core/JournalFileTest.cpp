#include "exam/JournalFile.h"

#include "tests/support/TempDir.h"

#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <sqlite3.h>

namespace {

namespace fs = std::filesystem;

// 2026-12-09 08:15:00 local time, and the name it gives a kept file.
std::chrono::system_clock::time_point Now() {
    std::tm local{};
    local.tm_year = 2026 - 1900;
    local.tm_mon = 11;
    local.tm_mday = 9;
    local.tm_hour = 8;
    local.tm_min = 15;
    local.tm_isdst = -1;
    return std::chrono::system_clock::from_time_t(std::mktime(&local));
}
constexpr const char* KeptSuffix = ".damaged-20261209-081500";

// A journal of one run with enough answers to fill many pages.
void WriteJournal(const std::string& file) {
    ExamJournal journal(file);
    const int64_t run = journal.StartRun(JournaledRun{});
    for (int question = 0; question < 400; ++question)
        journal.SaveAnswer(run, question, std::string(100, static_cast<char>('a' + question % 26)));
}

// Every kind of damage: the file is kept under a name with the time, untouched, and a new
// journal works in its place; a second damage in the same second gets a name of its own.
TEST(JournalFile, DamagedJournalIsKeptAsideAndANewOneServes) {
    struct Damage {
        const char* kind;
        std::function<void(const std::string&)> make;
    };
    const std::vector<Damage> damages{
        {"not a database",
         [](const std::string& file) {
             std::ofstream(file, std::ios::binary) << std::string(8192, 'x');
         }},
        {"truncated",
         [](const std::string& file) {
             WriteJournal(file);
             fs::resize_file(file, fs::file_size(file) / 2);
         }},
        {"a folder in its place",
         [](const std::string& file) {
             fs::create_directories(file);
         }},
    };
    for (const Damage& damage : damages) {
        SCOPED_TRACE(damage.kind);
        testsupport::TempDir dir;
        const std::string file = (dir / "journal.db").string();
        damage.make(file);
        const bool folder = fs::is_directory(file);
        const std::string bytes = folder ? "" : testsupport::readFile(file);
        EXPECT_FALSE(JournalDamage(file).empty());

        OpenedJournal opened = OpenJournalSettingDamageAside(file, Now());
        EXPECT_EQ(opened.keptDamagedFile, file + KeptSuffix);
        EXPECT_EQ(fs::is_directory(opened.keptDamagedFile), folder);
        if (!folder) {
            EXPECT_EQ(testsupport::readFile(opened.keptDamagedFile), bytes);
        }
        const int64_t run = opened.journal->StartRun(JournaledRun{});
        opened.journal->SaveAnswer(run, 0, "1,0");
        EXPECT_EQ(opened.journal->PendingRuns().size(), 1u);
        opened.journal.reset();

        fs::remove(file);
        damage.make(file);
        EXPECT_EQ(OpenJournalSettingDamageAside(file, Now()).keptDamagedFile,
                  file + KeptSuffix + "-2");
    }
}

// A healthy journal keeps every answer. A journal that another exam holds, that another program
// holds locked, or that cannot be opened at all is an error naming it, and nothing is renamed.
TEST(JournalFile, HealthyOrHeldJournalsAreNeverTouched) {
    testsupport::TempDir dir;
    const std::string file = (dir / "journal.db").string();
    WriteJournal(file);
    {
        OpenedJournal opened = OpenJournalSettingDamageAside(file, Now());
        EXPECT_TRUE(opened.keptDamagedFile.empty());
        ASSERT_EQ(opened.journal->PendingRuns().size(), 1u);
        EXPECT_EQ(opened.journal->PendingRuns()[0].answers.at(27), std::string(100, 'b'));
        for (const std::string& held : {file, (dir / "missing" / "journal.db").string()})
            EXPECT_THROW(OpenJournalSettingDamageAside(held, Now()), EJournalError) << held;
    }
    {
        // A live program in the middle of a write, outside the exam's own lock.
        sqlite3* holder = nullptr;
        sqlite3_open(file.c_str(), &holder);
        sqlite3_exec(holder, "begin immediate", nullptr, nullptr, nullptr);
        try {
            OpenJournalSettingDamageAside(file, Now());
            ADD_FAILURE() << "opened a journal another program holds";
        } catch (const EJournalError& error) {
            EXPECT_EQ(std::string(error.what()),
                      "考试记录文件正被其他程序使用,现在无法打开:" + file);
        }
        sqlite3_close(holder);
    }
    EXPECT_FALSE(fs::exists(file + KeptSuffix));
    OpenedJournal opened = OpenJournalSettingDamageAside(file, Now());
    ASSERT_EQ(opened.journal->PendingRuns().size(), 1u);
    EXPECT_EQ(opened.journal->PendingRuns()[0].answers.size(), 400u);
}

} // namespace
