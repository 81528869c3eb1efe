// The file operations of the run log, one function per need. Each function has
// its POSIX and its Windows body side by side in run_log_file.cpp.
#ifndef HV_DRIVER_RUN_LOG_FILE_H
#define HV_DRIVER_RUN_LOG_FILE_H

#include <cstdint>
#include <string>
#include <string_view>

// Which file a path named at one moment: device and inode on POSIX, volume
// serial number and file index on Windows. A file renamed keeps its identity.
struct FileIdentity {
  std::uint64_t volume = 0;
  std::uint64_t index = 0;
  bool known = false;

  bool sameAs(const FileIdentity& other) const {
    return known && other.known && volume == other.volume && index == other.index;
  }
};

// A file as one step saw it: which file, and its size in bytes as stored.
struct LogFileState {
  long long size = -1;  // -1: no file (or it could not be opened)
  FileIdentity file;
};

// Appends `bytes` to the file at `path` (created when missing) with one
// append-only write of the whole entry, so that entries of runs writing at the
// same time neither interleave nor overwrite each other. The file is shared for
// reading, writing and deletion meanwhile, so that another run may rotate it.
// Returns the file's size right after the write and its identity; size -1 when
// the file could not be opened.
LogFileState appendToLogFile(const std::string& path, std::string_view bytes);

// The file now at `path`; size -1 when there is none.
LogFileState logFileAt(const std::string& path);

// Deletes the file at `backupPath` and renames the file at `logPath` to it.
// Works while other runs have the log open for their next entry. Failures are
// ignored: the log then stays where it is.
void rotateLogFiles(const std::string& logPath, const std::string& backupPath);

#endif  // HV_DRIVER_RUN_LOG_FILE_H
