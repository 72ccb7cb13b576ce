#pragma once

#include "records/Sitting.h"

#include <optional>
#include <string>
#include <vector>

// The figures of a sitting against the roster: who was expected, who sat it, who is in it now,
// who is absent and who sat it without being on the roster. People are told apart by town, unit
// and name, each trimmed of codes 0 to 32, so "张伟 " on a desk is 张伟 of the roster.
namespace records {

struct RosterEntry {
    std::string town;
    std::string fac;
    std::string name;
};

// One person's runs in a sitting as the database sums them up: the runs started (AttemptStart
// rows naming the sitting), how many of them were recorded as attempts, the best score of those
// and the latest start.
struct SittingRuns {
    RosterEntry person;
    int starts = 0;
    int attempts = 0;
    std::optional<int> bestScore;
    std::string lastStart;
};

// The figures of one unit, or of all of them (the 合计 row). passed is empty when the sitting
// has no pass mark.
struct UnitFigures {
    std::string town;
    std::string fac;
    int expected = 0;   // 应考
    int sat = 0;        // 已考
    int inProgress = 0; // 进行中
    int absent = 0;     // 缺考
    std::optional<int> passed;
};

struct SittingReport {
    std::vector<UnitFigures> units; // admitted units with people on the roster, by town and unit
    UnitFigures total;              // town "合计"
    std::vector<RosterEntry> absentees;  // by town, unit and name
    std::vector<SittingRuns> outsiders;  // sat it, not on the roster of an admitted unit
    std::vector<SittingRuns> inProgress; // started, nothing recorded yet, roster or not
};

// Counts the roster people of the units the sitting admits against their runs. Several rows of
// runs that name the same trimmed person are taken together.
SittingReport BuildSittingReport(const Sitting& sitting, std::optional<int> passMark,
                                 const std::vector<RosterEntry>& roster,
                                 const std::vector<SittingRuns>& runs);

// 及格 / 已考 with one decimal, rounded half up, and "%" ("50.0%"); empty when nobody sat it or
// the sitting has no pass mark.
std::string PassRate(const UnitFigures& figures);

// The report as a table: the header 乡镇, 单位, 应考, 已考, 进行中, 缺考, 及格, 及格率, one row
// per unit and the 合计 row.
TextTable ReportTable(const SittingReport& report);
// The absentees: the header 乡镇, 单位, 姓名 and one row per person.
TextTable AbsenteeTable(const SittingReport& report);
// The people who sat it without being on the roster: 乡镇, 单位, 姓名, 已考次数, 最高分.
TextTable OutsiderTable(const SittingReport& report);
// The runs in progress: 乡镇, 单位, 姓名, 开始时间 (the latest start).
TextTable InProgressTable(const SittingReport& report);

} // namespace records
