#include "platform/ProfileReader.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

using platform::GetPrivateProfileString;
using platform::MaxProfileValueLength;

namespace {

const char* const kDefault = "Provider=SQLOLEDB.1;Data Source=.";

std::string Read(const std::filesystem::path& file, const char* section, const char* key) {
    return GetPrivateProfileString(section, key, kDefault, file);
}

} // namespace

TEST(ProfileReader, NamesMatchWithoutCaseAndValuesLoseBlanksAndQuotes) {
    testsupport::TempDir dir;
    const auto file =
        dir.write("DBConifg.ini", "; comment line\r\n"
                                  "[dbconifg]\r\n"
                                  "  connectionstring =  Provider=SQLite;Data Source=a.db  \r\n"
                                  "[SqlDBConifg]\r\n"
                                  "ConnectionString=\"  quoted value \"\r\n"
                                  "Single='x'\n"
                                  "Mixed=\"x'\n"
                                  "Lone=\"\n");
    EXPECT_EQ(Read(file, "DBConifg", "ConnectionString"), "Provider=SQLite;Data Source=a.db");
    EXPECT_EQ(Read(file, "DBCONIFG", "CONNECTIONSTRING"), "Provider=SQLite;Data Source=a.db");
    EXPECT_EQ(Read(file, "sqldbconifg", "connectionstring"), "  quoted value ");
    EXPECT_EQ(Read(file, "SqlDBConifg", "Single"), "x");
    EXPECT_EQ(Read(file, "SqlDBConifg", "Mixed"), "\"x'");
    EXPECT_EQ(Read(file, "SqlDBConifg", "Lone"), "\"");
}

TEST(ProfileReader, DefaultOnlyWhenFileSectionOrKeyIsAbsent) {
    testsupport::TempDir dir;
    const auto file = dir.write("DBConifg.ini", "[DBConifg]\nConnectionString=\nOther=1\n"
                                                "[Empty]\n");
    EXPECT_EQ(Read(file, "DBConifg", "ConnectionString"), "");
    EXPECT_EQ(Read(file, "DBConifg", "Missing"), kDefault);
    EXPECT_EQ(Read(file, "Empty", "ConnectionString"), kDefault);
    EXPECT_EQ(Read(file, "NoSuchSection", "ConnectionString"), kDefault);
    EXPECT_EQ(Read(dir / "absent.ini", "DBConifg", "ConnectionString"), kDefault);
    // A folder of that name cannot be read as a file either.
    EXPECT_EQ(Read(dir.path(), "DBConifg", "ConnectionString"), kDefault);
}

TEST(ProfileReader, KeysOfOtherSectionsAndTheFirstOfTwoKeys) {
    testsupport::TempDir dir;
    const auto file =
        dir.write("x.ini", "ConnectionString=before any section\n"
                           "[SqlDBConifg]\nConnectionString=secondary\n"
                           "[DBConifg]\nConnectionString=first\nConnectionString=second\n"
                           "\xEF\xBB\xBF[Later]\n");
    EXPECT_EQ(Read(file, "DBConifg", "ConnectionString"), "first");
    EXPECT_EQ(Read(file, "SqlDBConifg", "ConnectionString"), "secondary");

    const auto bom = dir.write("bom.ini", "\xEF\xBB\xBF[DBConifg]\nConnectionString=bom\n");
    EXPECT_EQ(Read(bom, "DBConifg", "ConnectionString"), "bom");
}

TEST(ProfileReader, ValuesAreCutAt2047Characters) {
    testsupport::TempDir dir;
    const std::string ascii(3000, 'a');
    std::string utf8;
    for (int i = 0; i < 2100; ++i)
        utf8 += "\xE8\x80\x83"; // 考 in UTF-8
    std::string gbk;
    for (int i = 0; i < 2100; ++i)
        gbk += "\xBF\xBC"; // 考 in GBK
    const auto file =
        dir.write("long.ini", "[s]\nascii=" + ascii + "\nutf8=" + utf8 + "\ngbk=" + gbk +
                                  "\nexact=" + std::string(2047, 'b') + "\n");
    EXPECT_EQ(Read(file, "s", "ascii"), std::string(MaxProfileValueLength, 'a'));
    EXPECT_EQ(Read(file, "s", "utf8"), utf8.substr(0, 3 * MaxProfileValueLength));
    EXPECT_EQ(Read(file, "s", "gbk"), gbk.substr(0, 2 * MaxProfileValueLength));
    EXPECT_EQ(Read(file, "s", "exact"), std::string(2047, 'b'));
}
