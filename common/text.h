// Text and Bytes: the two kinds of data that travel through the program.
//
// Text is multi-byte text in code page 936 (GBK), ended by NUL. It may be
// absent; absent and empty are treated alike except where a caller asks.
// Bytes is a byte buffer with an explicit length (file contents, UTF-16 data
// in little-endian order).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class Text {
 public:
  Text() = default;  // absent
  // A NULL pointer gives the absent text; otherwise the bytes up to the first NUL.
  Text(const char* s);  // NOLINT(google-explicit-constructor): texts are written as literals
  // The bytes before the first NUL of `bytes`; always present.
  explicit Text(std::string_view bytes);

  bool IsAbsent() const { return absent_; }
  bool IsEmpty() const { return bytes_.empty(); }
  // Length in bytes before the terminating NUL.
  size_t Length() const { return bytes_.size(); }
  // Never NULL: the absent text reads as "".
  const char* CStr() const { return bytes_.c_str(); }
  const std::string& Str() const { return bytes_; }
  std::string_view View() const { return bytes_; }

  friend bool operator==(const Text& a, const Text& b) { return a.bytes_ == b.bytes_; }
  friend bool operator!=(const Text& a, const Text& b) { return !(a == b); }

 private:
  std::string bytes_;
  bool absent_ = true;
};

using Bytes = std::vector<uint8_t>;

// The bytes of `text` without its terminating NUL.
Bytes TextToBytes(const Text& text);
// The bytes before the first NUL byte, taken as code-page-936 text unchanged.
Text BytesToText(const Bytes& bytes);
