#include "sys/file_io.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#ifndef _WIN32
#include <fcntl.h>
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
  // A stream iterator reports a failed read by throwing; it counts as an
  // unreadable file.
  try {
    bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  } catch (const std::ios_base::failure&) {
    bytes->clear();
    return false;
  }
  return !in.bad();
}

namespace {

void SetError(std::string* error, const std::string& text) {
  if (error != nullptr) {
    *error = text;
  }
}

#ifndef _WIN32
// Writes all bytes to a new file and flushes them to the disk.
bool WriteAndSync(const std::filesystem::path& path, const std::string& bytes, std::string* error) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) {
    SetError(error, std::strerror(errno));
    return false;
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
bool WriteAndSync(const std::filesystem::path& path, const std::string& bytes, std::string* error) {
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
  namespace fs = std::filesystem;
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
  fs::path temp = real;
  temp += ".tmp~";
  fs::remove(temp, ec);
  if (!WriteAndSync(temp, bytes, error)) {
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

}  // namespace tarvolin::sys
