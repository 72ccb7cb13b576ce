#include "records/SittingReport.h"

#include "platform/TextTrim.h"

#include <algorithm>
#include <map>
#include <tuple>

namespace records {
namespace {

using PersonKey = std::tuple<std::string, std::string, std::string>;
using UnitKey = std::pair<std::string, std::string>;

RosterEntry Trimmed(const RosterEntry& person) {
    return {platform::TrimText(person.town), platform::TrimText(person.fac),
            platform::TrimText(person.name)};
}

PersonKey KeyOf(const RosterEntry& person) {
    return {person.town, person.fac, person.name};
}

// The runs of each trimmed person, rows of the same person merged.
std::map<PersonKey, SittingRuns> RunsByPerson(const std::vector<SittingRuns>& runs) {
    std::map<PersonKey, SittingRuns> byPerson;
    for (const SittingRuns& row : runs) {
        const RosterEntry person = Trimmed(row.person);
        SittingRuns& merged =
            byPerson.try_emplace(KeyOf(person), SittingRuns{person, 0, 0, std::nullopt, {}})
                .first->second;
        merged.starts += row.starts;
        merged.attempts += row.attempts;
        if (row.bestScore && (!merged.bestScore || *row.bestScore > *merged.bestScore))
            merged.bestScore = row.bestScore;
        merged.lastStart = std::max(merged.lastStart, row.lastStart);
    }
    return byPerson;
}

enum class Standing { Sat, InProgress, Absent };

// A recorded attempt counts as sat whatever else was started; a start alone is a run in progress.
Standing StandingOf(const SittingRuns* runs) {
    if (runs && runs->attempts > 0)
        return Standing::Sat;
    return runs && runs->starts > 0 ? Standing::InProgress : Standing::Absent;
}

void Count(UnitFigures& figures, const SittingRuns* runs, std::optional<int> passMark) {
    ++figures.expected;
    switch (StandingOf(runs)) {
    case Standing::Sat:
        ++figures.sat;
        if (passMark && runs->bestScore && *runs->bestScore >= *passMark)
            ++*figures.passed;
        break;
    case Standing::InProgress:
        ++figures.inProgress;
        break;
    case Standing::Absent:
        ++figures.absent;
        break;
    }
}

void Add(UnitFigures& total, const UnitFigures& unit) {
    total.expected += unit.expected;
    total.sat += unit.sat;
    total.inProgress += unit.inProgress;
    total.absent += unit.absent;
    if (total.passed && unit.passed)
        *total.passed += *unit.passed;
}

} // namespace

SittingReport BuildSittingReport(const Sitting& sitting, std::optional<int> passMark,
                                 const std::vector<RosterEntry>& roster,
                                 const std::vector<SittingRuns>& runs) {
    const std::map<PersonKey, SittingRuns> runsByPerson = RunsByPerson(runs);
    const std::optional<int> noneYet = passMark ? std::optional<int>(0) : std::nullopt;

    std::map<PersonKey, RosterEntry> expected;
    for (const RosterEntry& entry : roster) {
        const RosterEntry person = Trimmed(entry);
        if (!person.name.empty() && Admits(sitting, person.town, person.fac))
            expected.try_emplace(KeyOf(person), person);
    }

    SittingReport report;
    report.total = {"合计", "", 0, 0, 0, 0, noneYet};
    std::map<UnitKey, UnitFigures> units;
    for (const auto& [key, person] : expected) {
        UnitFigures& unit =
            units
                .try_emplace({person.town, person.fac},
                             UnitFigures{person.town, person.fac, 0, 0, 0, 0, noneYet})
                .first->second;
        const auto runsOf = runsByPerson.find(key);
        const SittingRuns* personRuns = runsOf == runsByPerson.end() ? nullptr : &runsOf->second;
        Count(unit, personRuns, passMark);
        if (StandingOf(personRuns) == Standing::Absent)
            report.absentees.push_back(person);
    }
    for (const auto& [key, unit] : units) {
        report.units.push_back(unit);
        Add(report.total, unit);
    }
    for (const auto& [key, personRuns] : runsByPerson) {
        const Standing standing = StandingOf(&personRuns);
        if (standing == Standing::Sat && !expected.count(key))
            report.outsiders.push_back(personRuns);
        if (standing == Standing::InProgress)
            report.inProgress.push_back(personRuns);
    }
    return report;
}

std::string PassRate(const UnitFigures& figures) {
    if (figures.sat == 0 || !figures.passed)
        return {};
    // Tenths of a percent in whole numbers, so that 1/8 gives 12.5% and not 12.4%.
    const long long tenths = (2000LL * *figures.passed + figures.sat) / (2LL * figures.sat);
    return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + "%";
}

TextTable ReportTable(const SittingReport& report) {
    TextTable table{{"乡镇", "单位", "应考", "已考", "进行中", "缺考", "及格", "及格率"}};
    const auto row = [](const UnitFigures& figures) {
        return std::vector<std::string>{figures.town,
                                        figures.fac,
                                        std::to_string(figures.expected),
                                        std::to_string(figures.sat),
                                        std::to_string(figures.inProgress),
                                        std::to_string(figures.absent),
                                        figures.passed ? std::to_string(*figures.passed)
                                                       : std::string(),
                                        PassRate(figures)};
    };
    for (const UnitFigures& unit : report.units)
        table.push_back(row(unit));
    table.push_back(row(report.total));
    return table;
}

TextTable AbsenteeTable(const SittingReport& report) {
    TextTable table{{"乡镇", "单位", "姓名"}};
    for (const RosterEntry& person : report.absentees)
        table.push_back({person.town, person.fac, person.name});
    return table;
}

TextTable OutsiderTable(const SittingReport& report) {
    TextTable table{{"乡镇", "单位", "姓名", "已考次数", "最高分"}};
    for (const SittingRuns& runs : report.outsiders)
        table.push_back({runs.person.town, runs.person.fac, runs.person.name,
                         std::to_string(runs.attempts),
                         runs.bestScore ? std::to_string(*runs.bestScore) : std::string()});
    return table;
}

TextTable InProgressTable(const SittingReport& report) {
    TextTable table{{"乡镇", "单位", "姓名", "开始时间"}};
    for (const SittingRuns& runs : report.inProgress)
        table.push_back({runs.person.town, runs.person.fac, runs.person.name, runs.lastStart});
    return table;
}

} // namespace records
