#include "sys/file_io.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <thread>

#ifdef _WIN32
#include <windows.h>

#include "sys/text.h"
#else
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tarvolin::sys {

namespace {

// Paths inside the program are UTF-8; a path made from a plain string would
// read them in the system's code page on Windows.
std::filesystem::path PathOf(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

}  // namespace

bool ReadWholeFile(const std::string& path, std::string* bytes) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(PathOf(path), ec)) {
    return false;
  }
  std::ifstream in(PathOf(path), std::ios::binary);
  if (!in) {
    return false;
  }
  // One read of the size the file has now; a file that grows meanwhile is
  // read on in blocks. (A stream iterator takes seconds for 100 MB.)
  const std::uintmax_t size = std::filesystem::file_size(PathOf(path), ec);
  bytes->resize(ec ? 0 : static_cast<std::size_t>(size));
  in.read(bytes->data(), static_cast<std::streamsize>(bytes->size()));
  bytes->resize(static_cast<std::size_t>(in.gcount()));
  char block[65536];
  while (in && in.read(block, sizeof block).gcount() > 0) {
    bytes->append(block, static_cast<std::size_t>(in.gcount()));
  }
  return !in.bad();
}

namespace {

void SetError(std::string* error, const std::string& text) {
  if (error != nullptr) {
    *error = text;
  }
}

namespace fs = std::filesystem;

#ifndef _WIN32
// The temporary file of a save: beside the file, named after it and the
// saving process, so two processes never share one.
fs::path TemporaryOf(const fs::path& file, long pid) {
  fs::path temp = file;
  temp += ".tmp-" + std::to_string(pid) + "~";
  return temp;
}

// Removes what saves of this file by processes that no longer run left
// behind (a crash between writing and renaming); a running process's
// temporary file is left to it.
void RemoveStaleTemporaries(const fs::path& file) {
  const std::string prefix = file.filename().string() + ".tmp-";
  std::error_code ec;
  for (const auto& entry :
       fs::directory_iterator(file.parent_path().empty() ? "." : file.parent_path(), ec)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind(prefix, 0) != 0 || name.back() != '~') {
      continue;
    }
    const std::string digits = name.substr(prefix.size(), name.size() - prefix.size() - 1);
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos ||
        digits.size() > 9) {
      continue;
    }
    const auto pid = static_cast<pid_t>(std::stol(digits));
    if (::kill(pid, 0) != 0 && errno == ESRCH) {
      fs::remove(entry.path(), ec);
    }
  }
}

// Writes all bytes to a new file with the old file's permission bits (and
// owner, where this process may set it), and flushes them to the disk.
bool WriteAndSync(const fs::path& path, const std::string& bytes, const fs::path& old,
                  std::string* error) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) {
    SetError(error, std::strerror(errno));
    return false;
  }
  struct stat st {};
  if (::stat(old.c_str(), &st) == 0) {
    // The owner first: changing it may clear set-id bits the mode then restores.
    [[maybe_unused]] const int owned = ::fchown(fd, st.st_uid, st.st_gid);
    ::fchmod(fd, st.st_mode & 07777);
  }
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) {
        continue;
      }
      SetError(error, std::strerror(errno));
      ::close(fd);
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  if (::fsync(fd) != 0) {
    SetError(error, std::strerror(errno));
    ::close(fd);
    return false;
  }
  if (::close(fd) != 0) {
    SetError(error, std::strerror(errno));
    return false;
  }
  return true;
}
#else
fs::path TemporaryOf(const fs::path& file, long pid) {
  fs::path temp = file;
  temp += ".tmp-" + std::to_string(pid) + "~";
  return temp;
}

void RemoveStaleTemporaries(const fs::path&) {}

bool WriteAndSync(const fs::path& path, const std::string& bytes, const fs::path&,
                  std::string* error) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) {
    SetError(error, "the file could not be created");
    return false;
  }
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.flush();
  if (!out) {
    SetError(error, "the file could not be written");
    return false;
  }
  return true;
}
#endif

}  // namespace

bool WriteFileReplacing(const std::string& path, const std::string& bytes, std::string* error) {
  const fs::path target = PathOf(path);
  // Permissions and the link target of an existing file are kept by writing
  // beside the file the link points to.
  std::error_code ec;
  fs::path real = target;
  if (fs::is_symlink(target, ec)) {
    real = fs::canonical(target, ec);
    if (ec) {
      real = target;
    }
  }
  RemoveStaleTemporaries(real);
#ifdef _WIN32
  const long pid = static_cast<long>(::GetCurrentProcessId());
#else
  const long pid = static_cast<long>(::getpid());
#endif
  const fs::path temp = TemporaryOf(real, pid);
  fs::remove(temp, ec);
  if (!WriteAndSync(temp, bytes, real, error)) {
    fs::remove(temp, ec);
    return false;
  }
  fs::rename(temp, real, ec);
  if (ec) {
    SetError(error, ec.message());
    fs::remove(temp, ec);
    return false;
  }
  return true;
}

namespace {
constexpr int kLockTries = 1000;  // 10 ms apart
}  // namespace

#ifdef _WIN32
FileLock::FileLock(const std::string& path) {
  const HANDLE file = ::CreateFileW(ToWide(path + ".lock").c_str(), GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return;
  }
  handle_ = file;
  for (int i = 0; i < kLockTries && !held_; ++i) {
    OVERLAPPED start{};
    held_ = ::LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                         &start) != FALSE;
    if (!held_) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
}

FileLock::~FileLock() {
  if (handle_ != nullptr) {
    if (held_) {
      OVERLAPPED start{};
      ::UnlockFileEx(handle_, 0, 1, 0, &start);
    }
    ::CloseHandle(handle_);
  }
}
#else
FileLock::FileLock(const std::string& path) {
  fd_ = ::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd_ < 0) {
    return;
  }
  for (int i = 0; i < kLockTries && !held_; ++i) {
    held_ = ::flock(fd_, LOCK_EX | LOCK_NB) == 0;
    if (!held_) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
}

FileLock::~FileLock() {
  if (fd_ >= 0) {
    ::close(fd_);  // and with it the lock
  }
}
#endif

}  // namespace tarvolin::sys
