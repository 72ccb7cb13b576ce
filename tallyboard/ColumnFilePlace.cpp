#include "tallyboard/ColumnFilePlace.h"

#include "platform/AtomicFile.h"

#include <cstdlib>
#include <unistd.h>

namespace tallyboard {
namespace {

// A rewrite puts a new file in place of the old one, so the folder must take new files too.
bool CanRewrite(const std::filesystem::path& file) {
    return ::access(file.parent_path().c_str(), W_OK) == 0 &&
           (::access(file.c_str(), F_OK) != 0 || ::access(file.c_str(), W_OK) == 0);
}

} // namespace

ColumnFilePlace ColumnFilePlaceFor(const std::filesystem::path& programFile,
                                   const std::filesystem::path& userFolder) {
    // A link is followed, so that a rewrite replaces the file it points at, not the link.
    std::error_code error;
    std::filesystem::path resolved = std::filesystem::weakly_canonical(programFile, error);
    if (error)
        resolved = programFile;
    if (CanRewrite(resolved) || userFolder.empty())
        return {resolved, resolved};
    const std::filesystem::path copy = userFolder / programFile.filename();
    return {std::filesystem::exists(copy, error) ? copy : resolved, copy};
}

std::filesystem::path UserConfigFolder() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config && *config == '/')
        return std::filesystem::path(config) / "examsuite";
    const char* home = std::getenv("HOME");
    if (home && *home)
        return std::filesystem::path(home) / ".config" / "examsuite";
    return {};
}

void SaveColumnLayoutAt(const ColumnFilePlace& place, const std::string& text) {
    std::error_code error;
    std::filesystem::create_directories(place.write.parent_path(), error);
    platform::ReplaceFileAtomically(place.write, text);
}

} // namespace tallyboard
