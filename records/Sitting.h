#pragma once

#include <string>
#include <vector>

// A sitting: papers published for one exam event, open to the units it admits between its
// opening and its closing. Times are local "yyyy-MM-dd HH:mm:ss" texts, which sort as text, and
// every text is UTF-8.
namespace records {

struct SittingUnit {
    std::string town;
    std::string fac; // empty: the whole town
};

struct Sitting {
    long long id = 0;
    std::string title;
    std::string opensAt;
    std::string closesAt;
    std::vector<SittingUnit> units; // none: everybody
};

enum class SittingStatus { NotYetOpen, Open, Closed };

// Open from its opening (included) to its closing (excluded); closed from its closing on, even
// when that came before its opening.
SittingStatus StatusAt(const Sitting& sitting, const std::string& now);
// "未开始", "进行中" or "已结束".
const char* StatusText(SittingStatus status);

// Whether the sitting admits the examinee of this town and unit; both are compared as given,
// so callers pass trimmed texts.
bool Admits(const Sitting& sitting, const std::string& town, const std::string& fac);

} // namespace records
