#pragma once

#include <filesystem>
#include <string>
#include <vector>

// Appends to list the paper files in folder: every entry whose name ends in ".mqe" (from its
// last ".", any letter case) and is not a directory, and, when recurse is true, those of every
// folder below it, a subfolder's papers standing where the subfolder stands in its parent's
// listing. Entries come in the order the file system lists them, hidden ones included; nothing
// is sorted. Pending events are processed between entries, every few milliseconds, so that a
// large tree does not freeze the program. A folder that does not exist leaves list unchanged.
void FindPaperFiles(std::vector<std::filesystem::path>& list, const std::filesystem::path& folder,
                    bool recurse);

// Drops the files whose header does not carry the paper mark and returns the titles (GBK bytes)
// of the kept ones, entry i the title of files[i]. A file whose header cannot be read is shown
// in the default error box and dropped, so that titles and files still pair up.
std::vector<std::string> FilterPaperFiles(std::vector<std::filesystem::path>& files);

// The folder "Exam File" beside the running executable.
std::filesystem::path DefaultPaperFolder();
