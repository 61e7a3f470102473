// Letter case as the engine compares it: two code units are equal ignoring
// case when their upper-case forms (case_table.inc) are the same code unit.
#pragma once

#include <vector>

namespace builtin_regex {

// The code unit that stands for `c` and every unit equal to it ignoring case.
char16_t CanonicalCase(char16_t c);

// The next unit of the ring of units equal to `c` ignoring case; `c` itself
// when it has no other case. Walking from `c` until `c` comes back visits
// every member once.
char16_t NextCaseVariant(char16_t c);

// Every code unit that has another case, in increasing order: what closing
// a set over letter case has to look at (a few thousand units, not 65,536).
const std::vector<char16_t>& UnitsWithOtherCase();

}  // namespace builtin_regex
