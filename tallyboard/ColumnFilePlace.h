#pragma once

#include <filesystem>

namespace tallyboard {

// Where the column-properties file is read and rewritten. A program folder that this user may
// rewrite (a build, an administrator) keeps the file there, as always. Otherwise (an installed
// program, whose file is a link into /etc) the user's copy in userFolder is read once it exists,
// and every rewrite goes to it; the first one starts from the program's file.
struct ColumnFilePlace {
    std::filesystem::path read;
    std::filesystem::path write;
};

ColumnFilePlace ColumnFilePlaceFor(const std::filesystem::path& programFile,
                                   const std::filesystem::path& userFolder);

// The user's configuration folder of the suite: $XDG_CONFIG_HOME/examsuite, or
// ~/.config/examsuite.
std::filesystem::path UserConfigFolder();

// Rewrites the section as SaveColumnLayout does, reading and writing at the place; the user's
// folder is created when needed.
void SaveColumnLayoutAt(const ColumnFilePlace& place, const std::string& text);

} // namespace tallyboard
