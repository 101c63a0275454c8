#pragma once

#include <filesystem>
#include <vector>

namespace orlentis {

// The files that nothing in the server's process may open but SQLite itself: the database with
// its -wal, -shm and -journal files and Temp.db beside it, and the program folder's lock file.
// Closing any descriptor of a file drops every POSIX lock the process holds on it; another
// process would then take the live database for its own, checkpoint it and delete the
// write-ahead log under the server.
std::vector<std::filesystem::path> DatabaseOwnFiles(const std::filesystem::path& databaseFile,
                                                    const std::filesystem::path& programFolder);

// Whether path names one of files, however it is spelt: through a symlink (of the file or of a
// folder on the way), with "..", relative, or as another hard link of the same file. Compared by
// device and inode where path exists, by resolved folder and name where it does not. Nothing is
// opened to find out: stat and readlink only.
bool NamesOneOf(const std::filesystem::path& path, const std::vector<std::filesystem::path>& files);

// Whether path names one of the own files of the process's database (DatabaseFile()) or of its
// program folder.
bool IsDatabaseOwnFile(const std::filesystem::path& path);

}  // namespace orlentis
