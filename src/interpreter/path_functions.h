// How drive paths are normalised and checked against the file system.
#pragma once

#include <string>

#include "platform/filesystem.h"

namespace tarvolin {

// Puts a backslash after a drive letter and its colon: d gives d:\, c: gives
// c:\, c:games gives c:\games; c:\games stays. Never given empty text.
std::string NormalizeDrivePath(const std::string& p);

// The folder a drive path lives in, with its trailing backslash; for a path
// without a dot (other than in its last place) the path itself. Empty text
// when nothing exists there.
std::string FolderOfTarget(platform::FileSystem& files, const std::string& p);

// Whether a text may be stored as a quickcommand's target: a drive path
// whose folder exists, or a web address starting with http://, https:// or
// www. (in small letters).
bool IsValidTarget(platform::FileSystem& files, const std::string& s);

}  // namespace tarvolin
