// What the next run does with the files a killed run left in a data directory.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "filesystem.h"

namespace kd {

// Brings a data directory back to a whole pair after a run that was killed (or lost its power)
// while it put its files in place, and removes what killed runs left there. It holds the
// folder's lock meanwhile (FolderLock, which may throw), taken only when the folder holds such
// files. Every journal found then is unfinished: its pair is rolled back while its last file
// was not yet in place, else finished; then the folder goes to the disk, the journal is
// removed, and then the files it names, so that the repair killed at any step leaves the next
// one the same decision. Temporary files are removed only when no writer holds them locked.
// Returns what it did, one line each for the protocol (German, UTF-8); empty when there was
// nothing to do. Throws FileError, before anything is changed, for a journal that cannot be
// read, saying which files to delete.
std::vector<std::string> RecoverDataDirectory(FileSystem& files, std::string_view folder);

}  // namespace kd
