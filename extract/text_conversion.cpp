#include "extract/text_conversion.h"

#include <windows.h>

#include <cstring>
#include <string>

#include "common/external_functions.h"
#include "common/fatal_error.h"

namespace {

constexpr UINT kGbk = 936;

using MultiByteToWideCharFn = int(WINAPI*)(UINT, DWORD, LPCCH, int, LPWSTR, int);
using WideCharToMultiByteFn = int(WINAPI*)(UINT, DWORD, LPCWCH, int, LPSTR, int, LPCCH, LPBOOL);

// The text's bytes as the platform sees them: an absent text is a NULL
// pointer, which makes the measuring call fail with a count of 0.
const char* PlatformString(const Text& text) { return text.IsAbsent() ? nullptr : text.CStr(); }

}  // namespace

size_t TextLength(const Text& text) { return text.Length(); }

Text JoinText(std::initializer_list<Text> parts) {
  size_t total = 0;
  for (const Text& part : parts) total += TextLength(part);
  std::string joined;
  joined.reserve(total);
  for (const Text& part : parts) joined.append(part.CStr(), TextLength(part));
  return Text(std::string_view(joined));
}

int CompareText(const Text& a, const Text& b) {
  // Text::Str() of an absent text is the empty string; std::string compares
  // as unsigned bytes through char_traits<char>::compare (memcmp).
  const int c = a.Str().compare(b.Str());
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

Bytes GbkToUnicode(const Text& text) {
  auto convert = ResolveExternal<MultiByteToWideCharFn>(External::kMultiByteToWideChar);
  const char* source = PlatformString(text);
  // The count includes the terminator because the input is given as
  // NUL-terminated (length -1).
  const int units = convert(kGbk, 0, source, -1, nullptr, 0);
  if (units <= 0) return Bytes();
  Bytes utf16(static_cast<size_t>(units) * 2, 0);
  convert(kGbk, 0, source, -1, reinterpret_cast<LPWSTR>(utf16.data()), units);
  return utf16;
}

Bytes GbkToUnicodeEx(const Text& text, bool dropTerminator) {
  if (CompareText(text, Text("")) == 0) return Bytes();
  Bytes utf16 = GbkToUnicode(text);
  if (dropTerminator) utf16.resize(utf16.size() >= 2 ? utf16.size() - 2 : 0);
  return utf16;
}

BSTR GbkToUnicodeString(const Text& text) {
  // An empty text gives an allocated empty string, not NULL: Windows takes a
  // NULL BSTR as the empty string, but Wine's "Execute" asserts on one.
  int units = 1;
  auto convert = ResolveExternal<MultiByteToWideCharFn>(External::kMultiByteToWideChar);
  if (CompareText(text, Text("")) != 0) units = convert(kGbk, 0, text.CStr(), -1, nullptr, 0);
  if (units < 1) units = 1;
  // SysAllocStringLen keeps room for a terminator after the given length, so
  // the converted terminator lands there and the string's length leaves it out.
  BSTR s = SysAllocStringLen(nullptr, static_cast<UINT>(units - 1));
  if (!s) {
    char message[64];
    FormatAllocationFailure(static_cast<size_t>(units) * 2, message, sizeof message);
    ReportFatalError(0, message);
  }
  if (units > 1) convert(kGbk, 0, text.CStr(), -1, s, units);
  return s;
}

Text UnicodeToGbk(const Bytes& utf16) {
  const int units = static_cast<int>(utf16.size() / 2);
  if (units == 0) return Text("");
  const auto* source = reinterpret_cast<LPCWCH>(utf16.data());
  const int size = ResolveExternal<WideCharToMultiByteFn>(External::kWideCharToMultiByteMeasure)(
      kGbk, WC_COMPOSITECHECK, source, units, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return Text("");
  std::string gbk(static_cast<size_t>(size), '\0');
  ResolveExternal<WideCharToMultiByteFn>(External::kWideCharToMultiByteConvert)(
      kGbk, WC_COMPOSITECHECK, source, units, gbk.data(), size, nullptr, nullptr);
  // A zero unit became a zero byte: the text ends there.
  return Text(std::string_view(gbk));
}
