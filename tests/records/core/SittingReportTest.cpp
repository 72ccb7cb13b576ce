#include "records/SittingReport.h"

#include <gtest/gtest.h>

namespace {

using records::RosterEntry;
using records::SittingRuns;
using Row = std::vector<std::string>;

std::vector<std::string> Names(const std::vector<SittingRuns>& runs) {
    std::vector<std::string> names;
    for (const SittingRuns& run : runs)
        names.push_back(run.person.town + "/" + run.person.fac + "/" + run.person.name);
    return names;
}

// A sitting for 城关镇/东关村 and the whole of 河口乡, pass mark 60.
struct SmallSitting : testing::Test {
    records::Sitting sitting{1,
                             "安全考试",
                             "2026-12-10 09:00:00",
                             "2026-12-10 12:00:00",
                             {{"城关镇", "东关村"}, {"河口乡", ""}}};
    std::vector<RosterEntry> roster{{"城关镇", "东关村", "张伟"}, {"城关镇", "东关村", "李娜"},
                                    {"城关镇", "东关村", "王强"}, {"城关镇", "东关村", "赵敏"},
                                    {"城关镇", "西关村", "孙丽"}, {"河口乡", "河口村", "周杰"},
                                    {"河口乡", "河口村", "吴芳"}, {"河口乡", "林场", "郑浩"}};
    std::vector<SittingRuns> runs{
        {{"城关镇", "东关村", "张伟"}, 1, 1, 55, "2026-12-10 09:05:00"},
        {{" 城关镇", "东关村\t", "张伟 "}, 1, 1, 80, "2026-12-10 10:00:00"}, // the same person
        {{"城关镇", "东关村", "李娜"}, 1, 1, 59, "2026-12-10 09:10:00"},
        {{"城关镇", "东关村", "王强"}, 1, 0, std::nullopt, "2026-12-10 11:00:00"},
        {{"河口乡", "河口村", "周杰"}, 2, 1, 60, "2026-12-10 09:30:00"},
        {{"河口乡", "林场", "郑浩"}, 1, 1, std::nullopt, "2026-12-10 09:40:00"},
        {{"城关镇", "西关村", "孙丽"}, 1, 1, 90, "2026-12-10 09:20:00"}, // unit not admitted
        {{"城关镇", "东关村", "陈晨"}, 1, 1, 70, "2026-12-10 09:25:00"}, // not on the roster
        {{"河口乡", "河口村", "刘洋"}, 1, 0, std::nullopt, "2026-12-10 11:10:00"}};
};

TEST_F(SmallSitting, CountsEachRosterPersonOfAnAdmittedUnitOnce) {
    const records::SittingReport report = records::BuildSittingReport(sitting, 60, roster, runs);
    // 东关村: 张伟 sat (best 80, passed), 李娜 sat (59, failed), 王强 in progress, 赵敏 absent.
    // 林场: 郑浩 sat without a score. 河口村: 周杰 sat with exactly the pass mark, 吴芳 absent.
    const records::TextTable expected{
        {"乡镇", "单位", "应考", "已考", "进行中", "缺考", "及格", "及格率"},
        {"城关镇", "东关村", "4", "2", "1", "1", "1", "50.0%"},
        {"河口乡", "林场", "1", "1", "0", "0", "0", "0.0%"},
        {"河口乡", "河口村", "2", "1", "0", "1", "1", "100.0%"},
        {"合计", "", "7", "4", "1", "2", "2", "50.0%"}};
    EXPECT_EQ(records::ReportTable(report), expected);
    EXPECT_EQ(records::AbsenteeTable(report), (records::TextTable{{"乡镇", "单位", "姓名"},
                                                                  {"城关镇", "东关村", "赵敏"},
                                                                  {"河口乡", "河口村", "吴芳"}}));
    EXPECT_EQ(Names(report.outsiders),
              (std::vector<std::string>{"城关镇/东关村/陈晨", "城关镇/西关村/孙丽"}));
    EXPECT_EQ(Names(report.inProgress),
              (std::vector<std::string>{"城关镇/东关村/王强", "河口乡/河口村/刘洋"}));
    ASSERT_FALSE(report.units.empty());
    EXPECT_EQ(report.units.front().town, "城关镇");
}

TEST_F(SmallSitting, WithoutAPassMarkLeavesPassedAndRateEmpty) {
    const records::TextTable table =
        records::ReportTable(records::BuildSittingReport(sitting, std::nullopt, roster, runs));
    ASSERT_EQ(table.size(), 5u);
    EXPECT_EQ(table[4], (Row{"合计", "", "7", "4", "1", "2", "", ""}));
}

TEST(SittingReport, ASittingWithoutUnitsAdmitsTheWholeRoster) {
    const records::Sitting everybody{2, "全员", "2026-12-01 00:00:00", "2026-12-31 00:00:00", {}};
    const records::SittingReport report = records::BuildSittingReport(
        everybody, 60, {{"甲镇", "一村", "甲"}, {"乙镇", "二村", "乙"}, {"乙镇", "二村", " "}}, {});
    EXPECT_EQ(records::ReportTable(report).back(), (Row{"合计", "", "2", "0", "0", "2", "0", ""}));
}

TEST(SittingReport, PassRateHasOneDecimalRoundedHalfUp) {
    const struct {
        int sat;
        int passed;
        const char* rate;
    } cases[] = {{8, 1, "12.5%"},  {3, 2, "66.7%"},   {3, 1, "33.3%"},
                 {7, 7, "100.0%"}, {2000, 1, "0.1%"}, {0, 0, ""}};
    for (const auto& c : cases) {
        records::UnitFigures figures;
        figures.sat = c.sat;
        figures.passed = c.passed;
        EXPECT_EQ(records::PassRate(figures), c.rate) << c.passed << "/" << c.sat;
    }
}

} // namespace
