#include "records/Sitting.h"

#include <algorithm>

namespace records {

SittingStatus StatusAt(const Sitting& sitting, const std::string& now) {
    // A sitting closed before it opened (called off) is over, not still to come.
    if (now >= sitting.closesAt)
        return SittingStatus::Closed;
    return now < sitting.opensAt ? SittingStatus::NotYetOpen : SittingStatus::Open;
}

const char* StatusText(SittingStatus status) {
    switch (status) {
    case SittingStatus::NotYetOpen:
        return "未开始";
    case SittingStatus::Open:
        return "进行中";
    case SittingStatus::Closed:
        break;
    }
    return "已结束";
}

bool Admits(const Sitting& sitting, const std::string& town, const std::string& fac) {
    if (sitting.units.empty())
        return true;
    return std::any_of(sitting.units.begin(), sitting.units.end(), [&](const SittingUnit& unit) {
        return unit.town == town && (unit.fac.empty() || unit.fac == fac);
    });
}

std::vector<std::string> SittingFaults(const NewSitting& sitting) {
    std::vector<std::string> faults;
    if (sitting.title.find_first_not_of(" \t\r\n") == std::string::npos)
        faults.emplace_back("场次名称为空");
    if (sitting.closesAt <= sitting.opensAt)
        faults.emplace_back("结束时间应晚于开始时间");
    if (sitting.papers.empty())
        faults.emplace_back("没有试卷");
    return faults;
}

namespace {

std::string Joined(const std::vector<std::string>& parts) {
    std::string joined;
    for (const std::string& part : parts)
        joined += (joined.empty() ? "" : "、") + part;
    return joined;
}

std::string AdmittedText(const Sitting& sitting) {
    if (sitting.units.empty())
        return "全部";
    std::vector<std::string> units;
    for (const SittingUnit& unit : sitting.units)
        units.push_back(unit.fac.empty() ? unit.town : unit.town + "/" + unit.fac);
    return Joined(units);
}

std::string PapersText(const StoredSitting& stored) {
    std::vector<std::string> papers;
    for (const StoredPaper& paper : stored.papers)
        papers.push_back(paper.title.empty() ? paper.sha256.substr(0, 12) : paper.title);
    return Joined(papers);
}

} // namespace

TextTable SittingTable(const std::vector<StoredSitting>& sittings, const std::string& now) {
    TextTable table{{"编号", "名称", "开始", "结束", "状态", "及格分", "试卷", "范围"}};
    for (const StoredSitting& stored : sittings) {
        const Sitting& sitting = stored.sitting;
        table.push_back({std::to_string(sitting.id), sitting.title, sitting.opensAt,
                         sitting.closesAt, StatusText(StatusAt(sitting, now)),
                         stored.passMark ? std::to_string(*stored.passMark) : std::string(),
                         PapersText(stored), AdmittedText(sitting)});
    }
    return table;
}

} // namespace records
