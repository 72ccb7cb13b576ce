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

} // namespace records
