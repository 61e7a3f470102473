// Feeds random patterns, flags, subjects and replacements to the pattern
// translator, PCRE2 and the search loop, and checks what must hold for any
// input: the translation of an accepted pattern compiles (PCRE2 may only
// refuse it for its size limits), and every match list is well formed.
//
// Input: one byte of flags, then the pattern, a 0xFF byte, the subject, a
// 0xFF byte, the replacement. Bytes below 0x80 are ASCII code units; 0x80 to
// 0xEF pick a code unit that the engine treats specially; 0xF0 to 0xFE take
// the next two bytes as a raw code unit.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "extract/builtin_regex/pattern_translator.h"
#include "extract/builtin_regex/regex_engine.h"

#include <pcre2.h>

namespace {

const char16_t kSpecialUnits[] = {
    0x0000, 0x000A, 0x000D, 0x000B, 0x000C, 0x0085, 0x00A0, 0x2028, 0x2029, 0xFEFF,
    0x00E9, 0x00C9, 0x00DF, 0x0130, 0x0131, 0x017F, 0x212A, 0x03C2, 0x03C3, 0x03A3,
    0x043F, 0x041F, 0x4E2D, 0xD83D, 0xDE00, 0xFFFF, 0x0660, 0xFF21, 0x1E9E, 0x01C5,
};

std::u16string Decode(const uint8_t* data, size_t size, size_t* pos) {
  std::u16string out;
  while (*pos < size) {
    uint8_t b = data[(*pos)++];
    if (b == 0xFF) break;
    if (b < 0x80) {
      out.push_back(b);
    } else if (b < 0xF0) {
      out.push_back(kSpecialUnits[(b - 0x80) % (sizeof(kSpecialUnits) / sizeof(kSpecialUnits[0]))]);
    } else if (*pos + 1 < size) {
      out.push_back(static_cast<char16_t>(data[*pos] | (data[*pos + 1] << 8)));
      *pos += 2;
    }
  }
  return out;
}

void Check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "broken: %s\n", what);
    std::abort();
  }
}

// PCRE2 may refuse a translated pattern only for its limits.
bool IsLimitError(int error) {
  switch (error) {
    case PCRE2_ERROR_PATTERN_TOO_LARGE:
    case PCRE2_ERROR_PARENTHESES_NEST_TOO_DEEP:
    case PCRE2_ERROR_PATTERN_TOO_COMPLICATED:
    case PCRE2_ERROR_HEAP_FAILED:
    case PCRE2_ERROR_PATTERN_STRING_TOO_LONG:
      return true;
    default:
      return false;
  }
}

// The engine runs a translation with PCRE2's JIT; the interpreter is the
// reference. Both must find the same first match with the same groups
// (except where the JIT is known to differ and the engine avoids it).
void CompareJitWithInterpreter(pcre2_code* code, const std::u16string& subject) {
  pcre2_match_context* context = pcre2_match_context_create(nullptr);
  pcre2_set_match_limit(context, 100000);
  pcre2_set_depth_limit(context, 100000);
  pcre2_match_data* interpreted = pcre2_match_data_create_from_pattern(code, nullptr);
  pcre2_match_data* compiled = pcre2_match_data_create_from_pattern(code, nullptr);
  PCRE2_SPTR text = reinterpret_cast<PCRE2_SPTR>(subject.data());
  int a = pcre2_match(code, text, subject.size(), 0, PCRE2_NO_JIT, interpreted, context);
  int b = PCRE2_ERROR_NOMATCH;
  bool jit = pcre2_jit_compile(code, PCRE2_JIT_COMPLETE) == 0;
  if (jit) b = pcre2_match(code, text, subject.size(), 0, 0, compiled, context);
  bool comparable = jit && (a >= 0 || a == PCRE2_ERROR_NOMATCH) && (b >= 0 || b == PCRE2_ERROR_NOMATCH);
  if (comparable) {
    Check((a >= 0) == (b >= 0), "JIT and interpreter agree on a match");
    if (a >= 0) {
      Check(a == b, "JIT and interpreter agree on the highest group");
      const PCRE2_SIZE* x = pcre2_get_ovector_pointer(interpreted);
      const PCRE2_SIZE* y = pcre2_get_ovector_pointer(compiled);
      for (uint32_t i = 0; i < 2 * static_cast<uint32_t>(a); ++i) {
        if (x[i] != y[i]) {
          std::fprintf(stderr, "offset %u: interpreter %zu, JIT %zu\n", i, static_cast<size_t>(x[i]),
                       static_cast<size_t>(y[i]));
          Check(false, "JIT and interpreter agree on the groups");
        }
      }
    }
  }
  pcre2_match_data_free(interpreted);
  pcre2_match_data_free(compiled);
  pcre2_match_context_free(context);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  uint8_t flags = data[0];
  size_t pos = 1;
  std::u16string pattern = Decode(data, size, &pos);
  std::u16string subject = Decode(data, size, &pos);
  std::u16string replacement = Decode(data, size, &pos);

  builtin_regex::Options options;
  options.ignoreCase = flags & 1;
  options.multiline = flags & 2;
  bool global = flags & 4;

  builtin_regex::Translation translation =
      builtin_regex::TranslatePattern(pattern, options.ignoreCase, options.multiline);
  if (translation.ok) {
    int error = 0;
    PCRE2_SIZE offset = 0;
    pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(translation.pcre.data()),
                                     translation.pcre.size(),
                                     PCRE2_NEVER_UTF | PCRE2_UCP | PCRE2_NEVER_BACKSLASH_C |
                                         PCRE2_MATCH_UNSET_BACKREF,
                                     &error, &offset, nullptr);
    if (!code && !IsLimitError(error)) {
      PCRE2_UCHAR message[256];
      pcre2_get_error_message(error, message, 256);
      std::fprintf(stderr, "translation refused by PCRE2 (error %d at %zu):", error, static_cast<size_t>(offset));
      for (const PCRE2_UCHAR* m = message; *m; ++m) std::fputc(static_cast<char>(*m), stderr);
      std::fprintf(stderr, "\n");
      Check(false, "translation is valid PCRE2");
    }
    if (code) {
      uint32_t captures = 0;
      pcre2_pattern_info(code, PCRE2_INFO_CAPTURECOUNT, &captures);
      Check(captures == translation.groupCount, "group numbering kept");
      if (!translation.caselessBackReference) CompareJitWithInterpreter(code, subject);
      pcre2_code_free(code);
    }
  }

  builtin_regex::Status status;
  auto compiled = builtin_regex::CompilePattern(pattern, options, &status);
  if (!compiled) return 0;
  builtin_regex::MatchList matches;
  status = builtin_regex::FindMatches(*compiled, subject, global, &matches);
  if (status != builtin_regex::Status::kOk) {
    Check(matches.Count() == 0, "no partial list after a failure");
    return 0;
  }
  Check(global || matches.Count() <= 1, "one match without Global");
  uint32_t previousEnd = 0;
  bool previousEmpty = false;
  for (size_t m = 0; m < matches.Count(); ++m) {
    uint32_t start = matches.Start(m), end = matches.End(m);
    Check(start <= end && end <= subject.size(), "match inside the subject");
    if (m > 0) {
      // After an empty match the search moves one unit on; after a
      // non-empty one it starts where that match ended.
      Check(start >= previousEnd + (previousEmpty ? 1 : 0), "matches advance");
    }
    for (uint32_t g = 1; g <= matches.GroupCount(); ++g) {
      uint32_t gs = matches.Start(m, g), ge = matches.End(m, g);
      Check((gs == builtin_regex::kUnset) == (ge == builtin_regex::kUnset), "group set whole");
      if (gs != builtin_regex::kUnset) Check(gs <= ge && ge <= subject.size(), "group inside the subject");
    }
    previousEnd = end;
    previousEmpty = start == end;
  }
  std::u16string replaced;
  status = builtin_regex::ReplaceMatches(*compiled, subject, replacement, global, &replaced);
  Check(status == builtin_regex::Status::kOk || status == builtin_regex::Status::kTooComplex,
        "replace status");
  if (status == builtin_regex::Status::kOk && matches.Count() == 0) Check(replaced == subject, "nothing replaced");
  return 0;
}
