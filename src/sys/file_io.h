// Whole-file reads and safe whole-file writes.
#pragma once

#include <string>

namespace tarvolin::sys {

// Reads the whole file; false when it does not exist or cannot be read.
bool ReadWholeFile(const std::string& path, std::string* bytes);

// Replaces the file's content with `bytes`: written to a temporary file in the
// same folder (named after this process, so two processes never share one),
// with the old file's permission bits and owner, flushed, and renamed over
// the old file, so a crash or a full disk never leaves a half-written file.
// Temporary files of processes that no longer run are removed (on Linux,
// where the process can be asked after). On failure
// the old file is left as it was, the temporary file is removed, and `error`
// (when given) says why.
bool WriteFileReplacing(const std::string& path, const std::string& bytes,
                        std::string* error = nullptr);

// An exclusive lock on a lock file beside `path` (its name and ".lock"),
// held while the object lives: processes, or threads, that read, merge and
// write the same file take turns. It waits up to ten seconds for another
// holder; after that, or where no lock file can be made (a folder the user
// may not write), nothing is held and the work goes on unguarded.
class FileLock {
 public:
  explicit FileLock(const std::string& path);
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  bool Held() const { return held_; }

 private:
  bool held_ = false;
#ifdef _WIN32
  void* handle_ = nullptr;
#else
  int fd_ = -1;
#endif
};

}  // namespace tarvolin::sys
