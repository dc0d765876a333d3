#include "platform/text.h"

namespace tarvolin::platform {

namespace {

// Length in bytes of the UTF-8 sequence that starts at `pos`, or 1 when the
// bytes there do not form a valid sequence.
std::size_t SequenceLength(const std::string& s, std::size_t pos) {
  const auto lead = static_cast<unsigned char>(s[pos]);
  std::size_t length = 1;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
  } else {
    return 1;
  }
  if (pos + length > s.size()) {
    return 1;
  }
  for (std::size_t i = 1; i < length; ++i) {
    if ((static_cast<unsigned char>(s[pos + i]) & 0xC0) != 0x80) {
      return 1;
    }
  }
  return length;
}

}  // namespace

#ifndef _WIN32
std::string ToSystemText(const std::string& utf8) {
  return utf8;
}
std::string FromSystemText(const std::string& system) {
  return system;
}
#endif

int CharCount(const std::string& utf8) {
  int count = 0;
  for (std::size_t pos = 0; pos < utf8.size(); pos += SequenceLength(utf8, pos)) {
    ++count;
  }
  return count;
}

std::size_t ByteOffsetOfChar(const std::string& utf8, int index) {
  std::size_t pos = 0;
  for (int i = 0; i < index && pos < utf8.size(); ++i) {
    pos += SequenceLength(utf8, pos);
  }
  return pos;
}

std::string LeftChars(const std::string& utf8, int count) {
  return utf8.substr(0, ByteOffsetOfChar(utf8, count));
}

}  // namespace tarvolin::platform
