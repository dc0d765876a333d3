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

}  // namespace tarvolin::sys
