#pragma once

#include <optional>
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

// A sitting as stored, with its pass mark and its papers (their SHA-256 and title).
struct StoredPaper {
    std::string sha256;
    std::string title;
};

struct StoredSitting {
    Sitting sitting;
    std::optional<int> passMark;
    std::vector<StoredPaper> papers;
};

// A paper to publish: its bytes, their SHA-256 and its title.
struct PaperToPublish {
    std::string sha256;
    std::string title;
    std::string bytes;
};

struct NewSitting {
    std::string title;
    std::string opensAt;
    std::string closesAt;
    std::optional<int> passMark;
    std::vector<SittingUnit> units;
    std::vector<PaperToPublish> papers;
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

// What keeps a new sitting from being stored: an empty title, a closing not after its opening,
// no paper. Empty when it may be stored.
std::vector<std::string> SittingFaults(const NewSitting& sitting);

using TextTable = std::vector<std::vector<std::string>>;

// The sittings as a table at the time now: the header 编号, 名称, 开始, 结束, 状态, 及格分, 试卷,
// 范围 and a row per sitting; the papers by title, the units as "乡镇/单位" or the town alone,
// "全部" for a sitting that admits everybody.
TextTable SittingTable(const std::vector<StoredSitting>& sittings, const std::string& now);

} // namespace records
