#include "extract/builtin_regex/case_folding.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace builtin_regex {
namespace {

struct CaseRow {
  uint16_t unit;
  uint16_t upper;
};

constexpr CaseRow kCaseRows[] = {
#include "extract/builtin_regex/case_table.inc"
};

struct CaseRings {
  uint16_t canonical[0x10000];
  uint16_t next[0x10000];
  std::vector<char16_t> cased;

  CaseRings() {
    for (uint32_t c = 0; c < 0x10000; ++c) {
      canonical[c] = static_cast<uint16_t>(c);
      next[c] = static_cast<uint16_t>(c);
    }
    for (const CaseRow& row : kCaseRows) canonical[row.unit] = row.upper;
    // One ring per canonical form; the first unit met with a form heads it.
    std::vector<int32_t> head(0x10000, -1);
    for (uint32_t c = 0; c < 0x10000; ++c) {
      uint16_t k = canonical[c];
      if (head[k] < 0) {
        head[k] = static_cast<int32_t>(c);
        continue;
      }
      uint16_t h = static_cast<uint16_t>(head[k]);
      next[c] = next[h];
      next[h] = static_cast<uint16_t>(c);
    }
    for (uint32_t c = 0; c < 0x10000; ++c) {
      if (next[c] != c) cased.push_back(static_cast<char16_t>(c));
    }
  }
};

const CaseRings& Rings() {
  // Built once, on first use; C++11 makes the initialisation thread-safe.
  static const std::unique_ptr<CaseRings> rings(new CaseRings());
  return *rings;
}

}  // namespace

char16_t CanonicalCase(char16_t c) { return static_cast<char16_t>(Rings().canonical[c]); }

char16_t NextCaseVariant(char16_t c) { return static_cast<char16_t>(Rings().next[c]); }

const std::vector<char16_t>& UnitsWithOtherCase() { return Rings().cased; }

}  // namespace builtin_regex
