// The built-in regular-expression engine: patterns in the engine's own
// syntax compiled through PCRE2 (16-bit, no UTF: every UTF-16 code unit is
// one character, as the engine counts), and the search loop that finds the
// matches and the replacements the way the engine does.
//
// No Windows header here: the same code is built natively for the fuzzer.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace builtin_regex {

enum class Status {
  kOk,
  kInvalidPattern,  // the engine's syntax error
  kTooComplex,      // the match or memory limits were reached
  kOutOfMemory,
};

struct Options {
  bool ignoreCase = false;
  bool multiline = false;
};

// A group that took no part in the match.
constexpr uint32_t kUnset = 0xFFFFFFFFu;

// The matches of one search: per match, (group count + 1) pairs of
// [start, end) in UTF-16 code units, the whole match first.
class MatchList {
 public:
  MatchList() = default;
  explicit MatchList(uint32_t groupCount) : groups_(groupCount) {}

  uint32_t GroupCount() const { return groups_; }
  size_t Count() const { return spans_.size() / Stride(); }
  uint32_t Start(size_t match, uint32_t group = 0) const { return spans_[match * Stride() + 2 * group]; }
  uint32_t End(size_t match, uint32_t group = 0) const { return spans_[match * Stride() + 2 * group + 1]; }

  void Append(const uint32_t* spans) { spans_.insert(spans_.end(), spans, spans + Stride()); }

 private:
  size_t Stride() const { return 2 * (static_cast<size_t>(groups_) + 1); }
  uint32_t groups_ = 0;
  std::vector<uint32_t> spans_;
};

class CompiledPattern;

// Translates and compiles `pattern`. Null with *status set on failure.
std::shared_ptr<const CompiledPattern> CompilePattern(std::u16string_view pattern, Options options,
                                                      Status* status);

uint32_t GroupCount(const CompiledPattern& pattern);

// A lower bound of the length of any match; 0 when the pattern may match
// the empty string.
uint32_t MinimumMatchLength(const CompiledPattern& pattern);

// Searches `subject` from its start: every match when `global`, else the
// first. After an empty match the next search starts one code unit further
// on; an empty match right after a non-empty one is reported. On any status
// but kOk, `out` is left empty: a search that stopped at a limit yields no
// matches rather than some.
Status FindMatches(const CompiledPattern& pattern, std::u16string_view subject, bool global,
                   MatchList* out);

// The subject with the matches (all when `global`, else the first) replaced
// by `replacement`, in which "$1".."$99" stand for a group, "$&" for the
// match, "$`" and "$'" for the text before and after it, "$$" for "$".
Status ReplaceMatches(const CompiledPattern& pattern, std::u16string_view subject,
                      std::u16string_view replacement, bool global, std::u16string* out);

// Appends the expansion of `replacement` for match `index` of `matches`.
void ExpandReplacement(std::u16string_view subject, const MatchList& matches, size_t index,
                       std::u16string_view replacement, std::u16string* out);

}  // namespace builtin_regex
