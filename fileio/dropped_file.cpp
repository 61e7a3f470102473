#include "fileio/dropped_file.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "common/edit_box.h"
#include "common/scoped.h"

namespace {

constexpr UINT kGbk = 936;

// A buffer that may fail to be had without ending the process.
class ReadBuffer {
 public:
  explicit ReadBuffer(size_t size) : p_(static_cast<uint8_t*>(std::malloc(size))) {}
  ~ReadBuffer() { std::free(p_); }
  ReadBuffer(const ReadBuffer&) = delete;
  ReadBuffer& operator=(const ReadBuffer&) = delete;
  uint8_t* get() const { return p_; }

 private:
  uint8_t* p_;
};

// UTF-16 units (host order) in code page 936; unmappable characters become
// the code page's default character, and `lossy` (when given) says whether
// any did.
Text Utf16ToGbk(const wchar_t* units, int count, bool* lossy = nullptr) {
  if (lossy) *lossy = false;
  if (count <= 0) return Text("");
  int size = WideCharToMultiByte(kGbk, 0, units, count, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return Text("");
  std::string out(static_cast<size_t>(size), '\0');
  BOOL usedDefault = FALSE;
  size = WideCharToMultiByte(kGbk, 0, units, count, out.data(), size, nullptr, &usedDefault);
  out.resize(size > 0 ? static_cast<size_t>(size) : 0);
  if (lossy) *lossy = usedDefault != FALSE;
  return Text(std::string_view(out));
}

// Whether the bytes are well-formed code-page-936 text.
bool IsValidGbk(const char* p, size_t length) {
  return length == 0 ||
         MultiByteToWideChar(kGbk, MB_ERR_INVALID_CHARS, p, static_cast<int>(length), nullptr, 0) > 0;
}

Text Utf16ContentsToText(const uint8_t* p, size_t length, bool bigEndian) {
  std::wstring units;
  units.reserve(length / 2);
  // An odd last byte is half a unit and is dropped.
  for (size_t i = 0; i + 1 < length; i += 2) {
    wchar_t u = bigEndian ? static_cast<wchar_t>((p[i] << 8) | p[i + 1])
                          : static_cast<wchar_t>(p[i] | (p[i + 1] << 8));
    // The text ends at its first NUL character, not at the zero high byte
    // of every ASCII letter.
    if (u == 0) break;
    units.push_back(u);
  }
  return Utf16ToGbk(units.data(), static_cast<int>(units.size()));
}

Text Utf8ContentsToText(const char* p, size_t length, bool* lossy = nullptr) {
  if (lossy) *lossy = false;
  if (length == 0) return Text("");
  int count = MultiByteToWideChar(CP_UTF8, 0, p, static_cast<int>(length), nullptr, 0);
  if (count <= 0) return Text("");
  std::wstring units(static_cast<size_t>(count), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, p, static_cast<int>(length), units.data(), count);
  return Utf16ToGbk(units.data(), count, lossy);
}

bool EndsWithLineBreak(const Text& text) {
  return !text.IsEmpty() && text.Str().back() == '\n';
}

}  // namespace

Bytes ReadWholeFile(const Text& path) {
  if (path.IsEmpty()) return Bytes();
  ScopedHandle file(CreateFileA(path.CStr(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return Bytes();
  // The length must fit a signed 32-bit number; the full 64-bit size is
  // asked for so that a file of 4 GiB and a few bytes is not taken as a few
  // bytes long.
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size)) return Bytes();
  if (size.QuadPart <= 0 || size.QuadPart > INT32_MAX) return Bytes();
  const DWORD length = static_cast<DWORD>(size.QuadPart);
  // A file too big for memory gives nothing instead of ending the program.
  ReadBuffer buffer(length);
  if (!buffer.get()) return Bytes();
  DWORD got = 0;
  if (!ReadFile(file.get(), buffer.get(), length, &got, nullptr)) return Bytes();
  return Bytes(buffer.get(), buffer.get() + got);
}

bool IsMultiByteUtf8(const char* bytes, size_t length) {
  const auto* p = reinterpret_cast<const uint8_t*>(bytes);
  bool multiByte = false;
  size_t i = 0;
  while (i < length) {
    const uint8_t b = p[i];
    if (b < 0x80) {
      ++i;
      continue;
    }
    size_t extra;
    uint8_t low = 0x80, high = 0xBF;  // allowed range of the second byte
    if (b >= 0xC2 && b <= 0xDF) {
      extra = 1;
    } else if (b >= 0xE0 && b <= 0xEF) {
      extra = 2;
      if (b == 0xE0) low = 0xA0;   // overlong
      if (b == 0xED) high = 0x9F;  // surrogates
    } else if (b >= 0xF0 && b <= 0xF4) {
      extra = 3;
      if (b == 0xF0) low = 0x90;   // overlong
      if (b == 0xF4) high = 0x8F;  // above U+10FFFF
    } else {
      return false;
    }
    if (i + extra >= length) return false;  // cut short
    if (p[i + 1] < low || p[i + 1] > high) return false;
    for (size_t k = 2; k <= extra; ++k) {
      if ((p[i + k] & 0xC0) != 0x80) return false;
    }
    multiByte = true;
    i += extra + 1;
  }
  return multiByte;
}

Text FileContentsToText(const Bytes& contents) {
  const uint8_t* p = contents.data();
  const size_t n = contents.size();
  if (n >= 2 && p[0] == 0xFF && p[1] == 0xFE) return Utf16ContentsToText(p + 2, n - 2, false);
  if (n >= 2 && p[0] == 0xFE && p[1] == 0xFF) return Utf16ContentsToText(p + 2, n - 2, true);

  // Byte-oriented contents end at their first zero byte; only that part is
  // looked at and kept.
  Text bytes = BytesToText(contents);
  const char* s = bytes.CStr();
  size_t length = bytes.Length();
  if (length >= 3 && static_cast<uint8_t>(s[0]) == 0xEF && static_cast<uint8_t>(s[1]) == 0xBB &&
      static_cast<uint8_t>(s[2]) == 0xBF) {
    return Utf8ContentsToText(s + 3, length - 3);
  }
  if (IsMultiByteUtf8(s, length)) {
    // Short GBK texts can be valid UTF-8 too: "状态" (D7 B4 CC AC) reads as
    // two Hebrew and combining characters that code page 936 does not have.
    // Such bytes stay as they are: UTF-8 is taken when all of its characters
    // exist in the code page, or when the bytes are no GBK text anyway.
    bool lossy = false;
    Text decoded = Utf8ContentsToText(s, length, &lossy);
    if (!lossy || !IsValidGbk(s, length)) return decoded;
  }
  return bytes;
}

Text LoadDroppedFiles(const Text& argument) {
  const std::string_view all = argument.View();
  // A file name never holds CR or LF, so CR LF only ever ends a path of a
  // list of several.
  if (all.find("\r\n") == std::string_view::npos) {
    return FileContentsToText(ReadWholeFile(argument));
  }
  std::string joined;
  bool endsWithBreak = true;
  size_t start = 0;
  while (start < all.size()) {
    size_t end = all.find("\r\n", start);
    if (end == std::string_view::npos) end = all.size();
    Text path(all.substr(start, end - start));
    start = end + 2;
    Text text = FileContentsToText(ReadWholeFile(path));
    if (text.IsEmpty()) continue;
    // Keeps a match from running from the end of one file into the next.
    if (!endsWithBreak) joined += "\r\n";
    joined += text.Str();
    endsWithBreak = EndsWithLineBreak(text);
  }
  return Text(std::string_view(joined));
}

void LoadDroppedFilesInto(HWND sourceBox, const Text& argument) {
  SetControlText(sourceBox, LoadDroppedFiles(argument));
}
