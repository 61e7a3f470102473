#include "extract/builtin_regex/regex_engine.h"

#include <new>

#include "extract/builtin_regex/pattern_translator.h"

#ifndef PCRE2_CODE_UNIT_WIDTH
#define PCRE2_CODE_UNIT_WIDTH 16
#endif
#include <pcre2.h>

namespace builtin_regex {
namespace {

// A pattern that backtracks without end stops here; the search then fails
// as a whole. Ten million steps take well under a second with the JIT.
constexpr uint32_t kMatchLimit = 10000000;
constexpr uint32_t kDepthLimit = 10000000;
// The interpreter's backtracking memory (used only when the JIT is not
// available), in KiB.
constexpr uint32_t kHeapLimitKib = 64 * 1024;
constexpr size_t kJitStackStart = 32 * 1024;
constexpr size_t kJitStackMax = 8 * 1024 * 1024;

struct CodeDeleter {
  void operator()(pcre2_code* p) const { pcre2_code_free(p); }
};
struct CompileContextDeleter {
  void operator()(pcre2_compile_context* p) const { pcre2_compile_context_free(p); }
};
struct MatchContextDeleter {
  void operator()(pcre2_match_context* p) const { pcre2_match_context_free(p); }
};
struct MatchDataDeleter {
  void operator()(pcre2_match_data* p) const { pcre2_match_data_free(p); }
};
struct JitStackDeleter {
  void operator()(pcre2_jit_stack* p) const { pcre2_jit_stack_free(p); }
};

PCRE2_SPTR AsPcre(const char16_t* s) { return reinterpret_cast<PCRE2_SPTR>(s); }

}  // namespace

class CompiledPattern {
 public:
  std::unique_ptr<pcre2_code, CodeDeleter> code;
  uint32_t groupCount = 0;
  bool jit = false;
};

uint32_t GroupCount(const CompiledPattern& pattern) { return pattern.groupCount; }

uint32_t MinimumMatchLength(const CompiledPattern& pattern) {
  uint32_t length = 0;
  if (pcre2_pattern_info(pattern.code.get(), PCRE2_INFO_MINLENGTH, &length) != 0) return 0;
  return length;
}

std::shared_ptr<const CompiledPattern> CompilePattern(std::u16string_view pattern, Options options,
                                                      Status* status) {
  Translation translation = TranslatePattern(pattern, options.ignoreCase, options.multiline);
  if (!translation.ok) {
    *status = Status::kInvalidPattern;
    return nullptr;
  }
  std::unique_ptr<pcre2_compile_context, CompileContextDeleter> context(pcre2_compile_context_create(nullptr));
  if (!context) {
    *status = Status::kOutOfMemory;
    return nullptr;
  }
  // The translation never uses PCRE2's own newline conventions ("." and the
  // anchors are spelled out), so the setting only keeps PCRE2 from reading
  // a newline inside an extended-mode comment, which is never switched on.
  pcre2_set_newline(context.get(), PCRE2_NEWLINE_LF);
  // No UTF: a surrogate is a character of its own and positions count code
  // units. UCP only gives the case-insensitive back reference of the
  // translation Unicode's case folding; every class is spelled out already.
  uint32_t flags = PCRE2_NEVER_UTF | PCRE2_UCP | PCRE2_NEVER_BACKSLASH_C | PCRE2_MATCH_UNSET_BACKREF;
  int error = 0;
  PCRE2_SIZE errorOffset = 0;
  auto compiled = std::make_shared<CompiledPattern>();
  compiled->code.reset(pcre2_compile(AsPcre(translation.pcre.data()), translation.pcre.size(), flags,
                                     &error, &errorOffset, context.get()));
  if (!compiled->code) {
    // What PCRE2 still refuses (too large, nested too deep) is refused as
    // the engine refuses a syntax error.
    *status = error == PCRE2_ERROR_HEAP_FAILED ? Status::kOutOfMemory : Status::kInvalidPattern;
    return nullptr;
  }
  compiled->groupCount = translation.groupCount;
  // Without the JIT (no executable memory) the interpreter gives the same
  // results, only slower.
  compiled->jit = !translation.caselessBackReference &&
                  pcre2_jit_compile(compiled->code.get(), PCRE2_JIT_COMPLETE) == 0;
  *status = Status::kOk;
  return compiled;
}

Status FindMatches(const CompiledPattern& pattern, std::u16string_view subject, bool global,
                   MatchList* out) {
  *out = MatchList(pattern.groupCount);
  std::unique_ptr<pcre2_match_context, MatchContextDeleter> context(pcre2_match_context_create(nullptr));
  std::unique_ptr<pcre2_match_data, MatchDataDeleter> data(
      pcre2_match_data_create_from_pattern(pattern.code.get(), nullptr));
  if (!context || !data) return Status::kOutOfMemory;
  pcre2_set_match_limit(context.get(), kMatchLimit);
  pcre2_set_depth_limit(context.get(), kDepthLimit);
  pcre2_set_heap_limit(context.get(), kHeapLimitKib);
  std::unique_ptr<pcre2_jit_stack, JitStackDeleter> stack;
  if (pattern.jit) {
    stack.reset(pcre2_jit_stack_create(kJitStackStart, kJitStackMax, nullptr));
    if (!stack) return Status::kOutOfMemory;
    pcre2_jit_stack_assign(context.get(), nullptr, stack.get());
  }

  const uint32_t groups = pattern.groupCount;
  std::vector<uint32_t> spans(2 * (static_cast<size_t>(groups) + 1));
  MatchList found(groups);
  const size_t length = subject.size();
  PCRE2_SPTR text = AsPcre(subject.data());
  size_t position = 0;
  try {
    while (position <= length) {
      int rc = pattern.jit
                   ? pcre2_jit_match(pattern.code.get(), text, length, position, 0, data.get(), context.get())
                   : pcre2_match(pattern.code.get(), text, length, position, 0, data.get(), context.get());
      if (rc == PCRE2_ERROR_NOMATCH) break;
      if (rc == PCRE2_ERROR_NOMEMORY) return Status::kOutOfMemory;
      if (rc < 0) return Status::kTooComplex;  // match, depth, heap or JIT stack limit
      const PCRE2_SIZE* vector = pcre2_get_ovector_pointer(data.get());
      const uint32_t pairs = pcre2_get_ovector_count(data.get());
      for (uint32_t g = 0; g <= groups; ++g) {
        // Groups past the highest that matched are not written by PCRE2.
        bool set = g < pairs && static_cast<int>(g) < rc && vector[2 * g] != PCRE2_UNSET;
        spans[2 * g] = set ? static_cast<uint32_t>(vector[2 * g]) : kUnset;
        spans[2 * g + 1] = set ? static_cast<uint32_t>(vector[2 * g + 1]) : kUnset;
      }
      found.Append(spans.data());
      if (!global) break;
      size_t start = vector[0], end = vector[1];
      position = end > start ? end : end + 1;
    }
  } catch (const std::bad_alloc&) {
    return Status::kOutOfMemory;
  }
  *out = std::move(found);
  return Status::kOk;
}

void ExpandReplacement(std::u16string_view subject, const MatchList& matches, size_t index,
                       std::u16string_view replacement, std::u16string* out) {
  const uint32_t groups = matches.GroupCount();
  auto appendGroup = [&](uint32_t g) {
    uint32_t s = matches.Start(index, g);
    if (s != kUnset) out->append(subject.substr(s, matches.End(index, g) - s));
  };
  size_t i = 0;
  while (i < replacement.size()) {
    char16_t c = replacement[i];
    if (c != u'$' || i + 1 >= replacement.size()) {
      out->push_back(c);
      ++i;
      continue;
    }
    char16_t next = replacement[i + 1];
    if (next == u'$') {
      out->push_back(u'$');
      i += 2;
    } else if (next == u'&') {
      appendGroup(0);
      i += 2;
    } else if (next == u'`') {
      out->append(subject.substr(0, matches.Start(index)));
      i += 2;
    } else if (next == u'\'') {
      out->append(subject.substr(matches.End(index)));
      i += 2;
    } else if (next >= u'0' && next <= u'9') {
      // Two digits when they name a group, else one digit when it does;
      // otherwise the "$" is literal.
      uint32_t one = next - u'0';
      bool twoDigits = i + 2 < replacement.size() && replacement[i + 2] >= u'0' && replacement[i + 2] <= u'9';
      uint32_t two = twoDigits ? one * 10 + (replacement[i + 2] - u'0') : 0;
      if (twoDigits && two >= 1 && two <= groups) {
        appendGroup(two);
        i += 3;
      } else if (one >= 1 && one <= groups) {
        appendGroup(one);
        i += 2;
      } else {
        out->push_back(u'$');
        ++i;
      }
    } else {
      out->push_back(u'$');
      ++i;
    }
  }
}

Status ReplaceMatches(const CompiledPattern& pattern, std::u16string_view subject,
                      std::u16string_view replacement, bool global, std::u16string* out) {
  out->clear();
  MatchList matches;
  Status status = FindMatches(pattern, subject, global, &matches);
  if (status != Status::kOk) return status;
  try {
    std::u16string result;
    size_t copied = 0;
    for (size_t m = 0; m < matches.Count(); ++m) {
      result.append(subject.substr(copied, matches.Start(m) - copied));
      ExpandReplacement(subject, matches, m, replacement, &result);
      copied = matches.End(m);
    }
    result.append(subject.substr(copied));
    *out = std::move(result);
  } catch (const std::bad_alloc&) {
    return Status::kOutOfMemory;
  }
  return Status::kOk;
}

}  // namespace builtin_regex
