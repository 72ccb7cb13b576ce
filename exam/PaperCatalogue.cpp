#include "exam/PaperCatalogue.h"

#include "paper/uFileHandle.h"
#include "ui/ErrorBox.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <optional>

namespace fs = std::filesystem;

namespace {

bool HasPaperExtension(const std::string& name) {
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos || name.size() - dot != 4)
        return false;
    static constexpr char paperExtension[] = ".mqe";
    return std::equal(
        name.begin() + static_cast<std::ptrdiff_t>(dot), name.end(), paperExtension,
        [](char a, char b) { return (a >= 'A' && a <= 'Z' ? a - 'A' + 'a' : a) == b; });
}

// Processes pending events between the entries of a search, so that a large tree does not freeze
// the program. One round costs a poll of the window system's connection, more than looking at an
// entry, so rounds are at most a few milliseconds apart rather than one per entry: well below
// what a user can notice.
class EventPump final {
public:
    EventPump() { sinceLastRound.start(); }
    void betweenEntries() {
        if (sinceLastRound.elapsed() < RoundIntervalMs)
            return;
        QCoreApplication::processEvents();
        sinceLastRound.restart();
    }

private:
    static constexpr qint64 RoundIntervalMs = 5;
    QElapsedTimer sinceLastRound;
};

// The search keeps the real folders it is inside, so that a symbolic link back to one of them
// is not followed round and round.
void SearchFolder(std::vector<fs::path>& list, const fs::path& folder, bool recurse,
                  std::vector<fs::path>& realFolders, EventPump& events) {
    std::error_code error;
    for (fs::directory_iterator entries(folder, error), end; !error && entries != end;
         entries.increment(error)) {
        events.betweenEntries();
        const fs::directory_entry& entry = *entries;
        std::error_code ignored;
        if (entry.is_directory(ignored)) {
            if (!recurse)
                continue;
            const fs::path real = entry.is_symlink(ignored)
                                      ? fs::canonical(entry.path(), ignored)
                                      : realFolders.back() / entry.path().filename();
            if (real.empty() ||
                std::find(realFolders.begin(), realFolders.end(), real) != realFolders.end())
                continue;
            realFolders.push_back(real);
            SearchFolder(list, entry.path(), true, realFolders, events);
            realFolders.pop_back();
        } else if (HasPaperExtension(entry.path().filename().string())) {
            list.push_back(entry.path());
        }
    }
}

} // namespace

void FindPaperFiles(std::vector<fs::path>& list, const fs::path& folder, bool recurse) {
    std::error_code error;
    if (!fs::is_directory(folder, error))
        return;
    std::vector<fs::path> realFolders{fs::canonical(folder, error)};
    EventPump events;
    SearchFolder(list, folder, recurse, realFolders, events);
}

std::vector<std::string> FilterPaperFiles(std::vector<fs::path>& files) {
    // Read from the last file to the first, then drop the refused ones in one pass, keeping the
    // order of the rest.
    std::vector<std::optional<std::string>> titles(files.size());
    for (size_t i = files.size(); i-- > 0;) {
        PaperHeader header;
        try {
            TQFileHandle::ReadFileHeader(files[i], header);
        } catch (const std::exception& error) {
            ui::ShowException(error);
            continue;
        }
        if (header.CarriesPaperMark())
            titles[i] = header.PaperTitle();
    }
    std::vector<std::string> kept;
    size_t next = 0;
    for (size_t i = 0; i < files.size(); ++i) {
        if (!titles[i])
            continue;
        files[next++] = std::move(files[i]);
        kept.push_back(std::move(*titles[i]));
    }
    files.resize(next);
    return kept;
}

fs::path DefaultPaperFolder() {
    return fs::path(QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString()) /
           "Exam File";
}
