// Reads a pattern in the engine's own syntax (the script-language dialect of
// regular expressions that the platform's automation object accepts) and
// writes the PCRE2 pattern that matches exactly the same strings.
//
// PCRE2's syntax differs from the engine's in many places ("$" before a final
// line feed, "\s" and "." with other members, octal and back references read
// differently, constructs the engine rejects but PCRE2 takes), so nothing of
// the user's pattern reaches PCRE2 unread: every literal becomes \x{...},
// every class an explicit list of ranges, every anchor a lookaround with the
// engine's meaning.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace builtin_regex {

struct Translation {
  bool ok = false;
  // The PCRE2 pattern (16-bit code units), when ok.
  std::u16string pcre;
  // Capturing groups of the pattern, numbered as the engine numbers them;
  // the translation keeps the numbering (it adds no capturing group).
  uint32_t groupCount = 0;
  // A back reference compared ignoring case: PCRE2 10.42's JIT folds such a
  // comparison only for the first 256 code units when UTF is off, so such a
  // pattern is run by PCRE2's interpreter.
  bool caselessBackReference = false;
  // Where the syntax error was found, when not ok.
  size_t errorOffset = 0;
};

// Deepest nesting of groups accepted; PCRE2 refuses more than 250 anyway.
constexpr int kMaxGroupNesting = 200;
// Largest repeat count: PCRE2 cannot express more.
constexpr uint32_t kMaxRepeat = 65535;

// ignoreCase and multiline are the engine's "IgnoreCase" and "Multiline":
// both change what the translation spells out.
Translation TranslatePattern(std::u16string_view pattern, bool ignoreCase, bool multiline);

}  // namespace builtin_regex
