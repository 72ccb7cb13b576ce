#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

namespace demoattempts {

struct Unit {
    std::string town;
    std::string name;
};

struct Settings {
    int attempts = 300; // over all papers together
    unsigned seed = 16;
    std::string firstDay = "2026-11-02"; // the attempts spread over the days from here
    // With a title, the attempts are runs of one sitting (Id 1) of all the papers, open from
    // the first day until closesAt, with a roster: the people who sat it but every 25th,
    // two people per unit of the first ten who did not, and three runs still in progress.
    std::string sittingTitle;
    std::string sittingClosesAt; // "yyyy-MM-dd HH:mm:ss"
};

// SQL for SQLite, in UTF-8: one Paper row per paper with its file bytes, and attempts spread
// over the papers and units. Each examinee has an ability and each question a difficulty, so
// that the marks spread as in a real examination; the marks follow from the answers by the
// paper's own scoring rules, and each attempt gets its score row with the same five values.
// A few attempts time out or are abandoned. The sitting tables are written to only for a
// sitting.
void WriteAttemptsSql(std::ostream& out, const std::vector<std::filesystem::path>& papers,
                      const std::vector<Unit>& units, const Settings& settings);

} // namespace demoattempts
