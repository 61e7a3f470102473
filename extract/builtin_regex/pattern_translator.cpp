#include "extract/builtin_regex/pattern_translator.h"

#include <memory>

#include "extract/builtin_regex/case_folding.h"

namespace builtin_regex {
namespace {

// A set of UTF-16 code units, one bit each, read a 64-bit word at a time so
// that the mostly empty or mostly full sets of a class cost little to walk.
class CodeUnitSet {
 public:
  static constexpr uint32_t kWords = 0x10000 / 64;

  void set(uint32_t c) { w_[c >> 6] |= uint64_t(1) << (c & 63); }
  bool test(uint32_t c) const { return (w_[c >> 6] >> (c & 63)) & 1; }
  void SetRange(uint32_t first, uint32_t last) {
    for (uint32_t c = first; c <= last; ++c) {
      if ((c & 63) == 0 && c + 63 <= last) {
        w_[c >> 6] = ~uint64_t(0);
        c += 63;
      } else {
        set(c);
      }
    }
  }
  void flip() {
    for (uint64_t& w : w_) w = ~w;
  }
  bool none() const {
    for (uint64_t w : w_) if (w != 0) return false;
    return true;
  }
  CodeUnitSet& operator|=(const CodeUnitSet& o) {
    for (uint32_t i = 0; i < kWords; ++i) w_[i] |= o.w_[i];
    return *this;
  }
  // Calls f(first, last) for every maximal run of units in the set.
  template <class F>
  void ForEachRange(F f) const {
    uint32_t c = 0;
    while (c < 0x10000) {
      uint64_t w = w_[c >> 6];
      if ((c & 63) == 0 && w == 0) {
        c += 64;
        continue;
      }
      if (!test(c)) {
        ++c;
        continue;
      }
      uint32_t start = c;
      while (c < 0x10000) {
        if ((c & 63) == 0 && w_[c >> 6] == ~uint64_t(0)) {
          c += 64;
        } else if (test(c)) {
          ++c;
        } else {
          break;
        }
      }
      f(start, c - 1);
    }
  }

 private:
  uint64_t w_[kWords] = {};
};


constexpr char16_t kLineFeed = 0x0A;
constexpr char16_t kCarriageReturn = 0x0D;

// A translation that grows past this many code units is refused rather than
// handed to PCRE2 (whose compiled patterns are much smaller still).
constexpr size_t kMaxTranslationLength = 1 << 20;

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool IsOctalDigit(char16_t c) { return c >= u'0' && c <= u'7'; }
bool IsAsciiLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

int HexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

void AppendHex(std::u16string* out, uint32_t value) {
  static const char16_t kDigits[] = u"0123456789abcdef";
  char16_t buf[8];
  int n = 0;
  do {
    buf[n++] = kDigits[value & 0xF];
    value >>= 4;
  } while (value != 0);
  while (n > 0) out->push_back(buf[--n]);
}

void AppendDecimal(std::u16string* out, uint32_t value) {
  char16_t buf[12];
  int n = 0;
  do {
    buf[n++] = static_cast<char16_t>(u'0' + value % 10);
    value /= 10;
  } while (value != 0);
  while (n > 0) out->push_back(buf[--n]);
}

// The engine's "\d", "\w" and "\s": ASCII only; "\s" is exactly the six
// space characters [ \f\n\r\t\v].
void AddDigits(CodeUnitSet* set) {
  for (char16_t c = u'0'; c <= u'9'; ++c) set->set(c);
}
void AddWordUnits(CodeUnitSet* set) {
  AddDigits(set);
  for (char16_t c = u'a'; c <= u'z'; ++c) set->set(c);
  for (char16_t c = u'A'; c <= u'Z'; ++c) set->set(c);
  set->set(u'_');
}
void AddSpaces(CodeUnitSet* set) {
  for (char16_t c : {u' ', u'\f', u'\n', u'\r', u'\t', u'\v'}) set->set(c);
}

// Fills `set` for the class escape letter (d, D, w, W, s, S); false for any
// other letter.
bool ClassEscapeSet(char16_t letter, CodeUnitSet* set) {
  CodeUnitSet base;
  switch (letter) {
    case u'd': case u'D': AddDigits(&base); break;
    case u'w': case u'W': AddWordUnits(&base); break;
    case u's': case u'S': AddSpaces(&base); break;
    default: return false;
  }
  if (letter == u'D' || letter == u'W' || letter == u'S') base.flip();
  *set |= base;
  return true;
}

// The word-character class written out, for the word-boundary lookarounds.
constexpr char16_t kWordClass[] = u"[0-9A-Za-z_]";

class Translator {
 public:
  Translator(std::u16string_view pattern, bool ignoreCase, bool multiline)
      : p_(pattern), ignoreCase_(ignoreCase), multiline_(multiline) {}

  Translation Run() {
    Translation result;
    totalGroups_ = CountGroups();
    Disjunction(0);
    if (!failed_ && pos_ < p_.size()) Fail();  // a ")" without its "("
    if (!failed_ && out_.size() > kMaxTranslationLength) Fail();
    if (failed_) {
      result.errorOffset = errorOffset_;
      return result;
    }
    result.ok = true;
    result.groupCount = totalGroups_;
    result.caselessBackReference = caselessBackReference_;
    result.pcre = std::move(out_);
    return result;
  }

 private:
  bool AtEnd() const { return pos_ >= p_.size(); }
  char16_t Peek(size_t ahead = 0) const {
    return pos_ + ahead < p_.size() ? p_[pos_ + ahead] : char16_t(0);
  }
  bool Has(size_t ahead) const { return pos_ + ahead < p_.size(); }

  void Fail() {
    if (!failed_) errorOffset_ = pos_;
    failed_ = true;
  }

  // Back references may point forward ("\1(a)" is a reference to the group
  // that follows), so the number of groups of the whole pattern is needed
  // before the first escape is read. The count follows the same reading of
  // escapes and classes as the translation; a pattern that the translation
  // then refuses never uses the count.
  uint32_t CountGroups() const {
    uint32_t count = 0;
    size_t i = 0;
    while (i < p_.size()) {
      char16_t c = p_[i];
      if (c == u'\\') {
        i += 2;
      } else if (c == u'[') {
        ++i;
        if (i < p_.size() && p_[i] == u'^') ++i;
        if (i < p_.size() && p_[i] == u']') {
          ++i;
          continue;
        }
        while (i < p_.size() && p_[i] != u']') i += (p_[i] == u'\\') ? 2 : 1;
        ++i;
      } else {
        if (c == u'(' && !(i + 1 < p_.size() && p_[i + 1] == u'?')) ++count;
        ++i;
      }
    }
    return count;
  }

  void Disjunction(int depth) {
    if (depth > kMaxGroupNesting) {
      Fail();
      return;
    }
    for (;;) {
      Alternative(depth);
      if (failed_ || AtEnd() || Peek() != u'|') return;
      ++pos_;
      out_.push_back(u'|');
    }
  }

  void Alternative(int depth) {
    while (!failed_ && !AtEnd() && Peek() != u'|' && Peek() != u')') {
      Term(depth);
      if (out_.size() > kMaxTranslationLength) Fail();
    }
  }

  void Term(int depth) {
    char16_t c = Peek();
    // Assertions: no quantifier may follow them.
    if (c == u'^' || c == u'$' || (c == u'\\' && (Peek(1) == u'b' || Peek(1) == u'B'))) {
      if (c == u'^') {
        ++pos_;
        // "^" with Multiline: at the start or right after "\n" or "\r" (also
        // between the two of a CR LF); without it only at the subject's start.
        out_ += multiline_ ? u"(?<![^\\x{a}\\x{d}])" : u"\\A";
      } else if (c == u'$') {
        ++pos_;
        // PCRE2's own "$" would also match before a final line feed.
        out_ += multiline_ ? u"(?![^\\x{a}\\x{d}])" : u"\\z";
      } else {
        bool boundary = Peek(1) == u'b';
        pos_ += 2;
        // ASCII word characters only, whatever PCRE2's "\b" would think.
        std::u16string w(kWordClass);
        if (boundary) {
          out_ += u"(?:(?<=" + w + u")(?!" + w + u")|(?<!" + w + u")(?=" + w + u"))";
        } else {
          out_ += u"(?:(?<=" + w + u")(?=" + w + u")|(?<!" + w + u")(?!" + w + u"))";
        }
      }
      if (QuantifierFollows()) Fail();
      return;
    }
    if (c == u'*' || c == u'+' || c == u'?') {
      Fail();  // nothing to repeat
      return;
    }
    if (c == u'{') {
      if (QuantifierFollows()) {
        Fail();
        return;
      }
      ++pos_;
      EmitLiteral(u'{');  // "{" that does not form a repeat count is itself
    } else if (c == u'(') {
      Group(depth);
    } else if (c == u'[') {
      CharacterClass();
    } else if (c == u'.') {
      ++pos_;
      out_ += u"[^\\x{a}]";  // everything but the line feed, "\r" included
    } else if (c == u'\\') {
      AtomEscape();
    } else {
      ++pos_;
      EmitLiteral(c);  // "]" and "}" alone are literals too
    }
    if (failed_) return;
    Quantifier();
  }

  // True when a well-formed quantifier starts at the current position.
  bool QuantifierFollows() const {
    if (AtEnd()) return false;
    char16_t c = Peek();
    if (c == u'*' || c == u'+' || c == u'?') return true;
    uint32_t min, max;
    size_t end;
    return c == u'{' && ParseBraces(pos_, &min, &max, &end);
  }

  // "{n}", "{n,}" or "{n,m}" at `at`; max is UINT32_MAX for "{n,}". Counts
  // are saturated so that a long run of digits cannot overflow.
  bool ParseBraces(size_t at, uint32_t* min, uint32_t* max, size_t* end) const {
    size_t i = at + 1;
    auto number = [&](uint32_t* value) {
      size_t start = i;
      uint64_t v = 0;
      while (i < p_.size() && IsDigit(p_[i])) {
        v = v * 10 + (p_[i] - u'0');
        if (v > 0xFFFFFFFEu) v = 0xFFFFFFFEu;
        ++i;
      }
      *value = static_cast<uint32_t>(v);
      return i > start;
    };
    if (!number(min)) return false;
    if (i < p_.size() && p_[i] == u'}') {
      *max = *min;
      *end = i + 1;
      return true;
    }
    if (i >= p_.size() || p_[i] != u',') return false;
    ++i;
    if (i < p_.size() && p_[i] == u'}') {
      *max = UINT32_MAX;
      *end = i + 1;
      return true;
    }
    if (!number(max)) return false;
    if (i >= p_.size() || p_[i] != u'}') return false;
    *end = i + 1;
    return true;
  }

  void Quantifier() {
    if (AtEnd()) return;
    char16_t c = Peek();
    if (c == u'*' || c == u'+' || c == u'?') {
      ++pos_;
      out_.push_back(c);
    } else if (c == u'{') {
      uint32_t min, max;
      size_t end;
      if (!ParseBraces(pos_, &min, &max, &end)) return;  // "a{" and "a{,2}" are literals
      if (min > max || min > kMaxRepeat || (max != UINT32_MAX && max > kMaxRepeat)) {
        Fail();
        return;
      }
      pos_ = end;
      out_.push_back(u'{');
      AppendDecimal(&out_, min);
      if (max != min) {
        out_.push_back(u',');
        if (max != UINT32_MAX) AppendDecimal(&out_, max);
      }
      out_.push_back(u'}');
    } else {
      return;
    }
    if (!AtEnd() && Peek() == u'?') {
      ++pos_;
      out_.push_back(u'?');
    }
    // A quantifier after a quantifier ("a++", "a*{2}") is an error, not
    // PCRE2's possessive form.
    if (QuantifierFollows()) Fail();
  }

  void Group(int depth) {
    ++pos_;  // "("
    if (Peek() == u'?') {
      char16_t kind = Peek(1);
      if (!Has(1) || (kind != u':' && kind != u'=' && kind != u'!')) {
        Fail();  // lookbehind, named groups, inline flags, comments...
        return;
      }
      pos_ += 2;
      // A lookahead is wrapped so that a quantifier after it applies to a
      // group, as the engine allows.
      if (kind == u':') {
        out_ += u"(?:";
      } else {
        out_ += u"(?:(?";
        out_.push_back(kind);
      }
      Disjunction(depth + 1);
      if (failed_ || !CloseGroup()) return;
      out_ += kind == u':' ? u")" : u"))";
      return;
    }
    out_.push_back(u'(');
    Disjunction(depth + 1);
    if (failed_ || !CloseGroup()) return;
    out_.push_back(u')');
  }

  // Reads the ")" that ends a group; without one the pattern is unbalanced.
  bool CloseGroup() {
    if (AtEnd() || Peek() != u')') {
      Fail();
      return false;
    }
    ++pos_;
    return true;
  }

  // Reads an octal escape whose first digit is at the current position:
  // three digits when the first is 0-3, else two (the value stays <= 0377).
  char16_t ReadOctal() {
    size_t maxDigits = Peek() <= u'3' ? 3 : 2;
    uint32_t value = 0;
    size_t n = 0;
    while (n < maxDigits && !AtEnd() && IsOctalDigit(Peek())) {
      value = value * 8 + (Peek() - u'0');
      ++pos_;
      ++n;
    }
    return static_cast<char16_t>(value);
  }

  // The escapes that mean one code unit the same way inside and outside a
  // class. The current position is just after the backslash; on success it
  // moves past the escape.
  bool SingleUnitEscape(char16_t* unit) {
    char16_t c = Peek();
    switch (c) {
      case u'f': ++pos_; *unit = u'\f'; return true;
      case u'n': ++pos_; *unit = u'\n'; return true;
      case u'r': ++pos_; *unit = u'\r'; return true;
      case u't': ++pos_; *unit = u'\t'; return true;
      case u'v': ++pos_; *unit = u'\v'; return true;
      case u'x':
        if (Has(2) && HexValue(Peek(1)) >= 0 && HexValue(Peek(2)) >= 0) {
          *unit = static_cast<char16_t>(HexValue(Peek(1)) * 16 + HexValue(Peek(2)));
          pos_ += 3;
        } else {
          ++pos_;
          *unit = u'x';  // "\x" without two hex digits is the letter
        }
        return true;
      case u'u':
        if (Has(4) && HexValue(Peek(1)) >= 0 && HexValue(Peek(2)) >= 0 &&
            HexValue(Peek(3)) >= 0 && HexValue(Peek(4)) >= 0) {
          *unit = static_cast<char16_t>((HexValue(Peek(1)) << 12) | (HexValue(Peek(2)) << 8) |
                                        (HexValue(Peek(3)) << 4) | HexValue(Peek(4)));
          pos_ += 5;
        } else {
          ++pos_;
          *unit = u'u';
        }
        return true;
      case u'c':
        if (Has(1) && IsAsciiLetter(Peek(1))) {
          *unit = static_cast<char16_t>(Peek(1) % 32);
          pos_ += 2;
        } else {
          ++pos_;
          *unit = u'c';  // "\c" before anything but a letter is the letter c
        }
        return true;
      default:
        return false;
    }
  }

  void AtomEscape() {
    ++pos_;  // backslash
    if (AtEnd()) {
      Fail();
      return;
    }
    char16_t c = Peek();
    CodeUnitSet set;
    if (ClassEscapeSet(c, &set)) {
      ++pos_;
      EmitSet(set, false);
      return;
    }
    char16_t unit;
    if (SingleUnitEscape(&unit)) {
      EmitLiteral(unit);
      return;
    }
    if (c == u'0' && !(Has(1) && IsDigit(Peek(1)))) {
      ++pos_;
      EmitLiteral(0);
      return;
    }
    if (IsDigit(c)) {
      DecimalEscape();
      return;
    }
    ++pos_;
    EmitLiteral(c);  // any other escaped character stands for itself
  }

  // "\n", "\nm"...: the longest leading number that names a group of the
  // pattern is a back reference and the digits after it are literals;
  // without such a number the digits are an octal escape ("\8" and "\9"
  // are the digits themselves).
  void DecimalEscape() {
    size_t run = 0;
    while (Has(run) && IsDigit(Peek(run)) && run < 5) ++run;
    if (Peek() != u'0') {
      for (size_t len = run; len >= 1; --len) {
        uint32_t n = 0;
        for (size_t k = 0; k < len; ++k) n = n * 10 + (Peek(k) - u'0');
        if (n >= 1 && n <= totalGroups_) {
          pos_ += len;
          EmitBackReference(n);
          return;
        }
      }
    }
    if (!IsOctalDigit(Peek())) {
      char16_t digit = Peek();
      ++pos_;
      EmitLiteral(digit);
      return;
    }
    EmitLiteral(ReadOctal());
  }

  void EmitBackReference(uint32_t n) {
    // A group that took no part, or has not matched yet, matches the empty
    // string (PCRE2_MATCH_UNSET_BACKREF). Ignoring case, the comparison uses
    // PCRE2's Unicode case folding, switched on for this group alone.
    out_ += ignoreCase_ ? u"(?i:\\g{" : u"(?:\\g{";
    if (ignoreCase_) caselessBackReference_ = true;
    AppendDecimal(&out_, n);
    out_ += u"})";
  }

  // Reads one member of a class: a unit, or a set for "\d" and its kind.
  // Returns false for a set.
  bool ClassAtom(char16_t* unit, CodeUnitSet* set) {
    char16_t c = Peek();
    if (c != u'\\') {
      ++pos_;
      *unit = c;
      return true;
    }
    ++pos_;
    if (AtEnd()) {
      Fail();
      return true;
    }
    c = Peek();
    if (ClassEscapeSet(c, set)) {
      ++pos_;
      return false;
    }
    if (SingleUnitEscape(unit)) return true;
    if (c == u'b') {
      ++pos_;
      *unit = 0x08;  // inside a class "\b" is the backspace
      return true;
    }
    if (IsOctalDigit(c)) {
      *unit = ReadOctal();
      return true;
    }
    ++pos_;
    *unit = c;
    return true;
  }

  void CharacterClass() {
    ++pos_;  // "["
    bool negated = false;
    if (Peek() == u'^' && Has(0)) {
      negated = true;
      ++pos_;
    }
    auto members = std::make_unique<CodeUnitSet>();
    for (;;) {
      if (AtEnd()) {
        Fail();  // "[a" never closes
        return;
      }
      if (Peek() == u']') {
        ++pos_;
        break;
      }
      char16_t first = 0;
      auto firstSet = std::make_unique<CodeUnitSet>();
      bool firstIsUnit = ClassAtom(&first, firstSet.get());
      if (failed_) return;
      if (!AtEnd() && Peek() == u'-' && Has(1) && Peek(1) != u']') {
        ++pos_;
        char16_t last = 0;
        auto lastSet = std::make_unique<CodeUnitSet>();
        bool lastIsUnit = ClassAtom(&last, lastSet.get());
        if (failed_) return;
        if (firstIsUnit && lastIsUnit) {
          if (first > last) {
            Fail();  // "[z-a]"
            return;
          }
          members->SetRange(first, last);
          continue;
        }
        // A class escape at either end of a range makes the "-" a literal.
        members->set(u'-');
        if (firstIsUnit) members->set(first); else *members |= *firstSet;
        if (lastIsUnit) members->set(last); else *members |= *lastSet;
        continue;
      }
      if (firstIsUnit) members->set(first); else *members |= *firstSet;
    }
    EmitSet(*members, negated);
  }

  void EmitLiteral(char16_t c) {
    if (ignoreCase_ && NextCaseVariant(c) != c) {
      // The ring of units equal to c ignoring case, as a small class.
      out_.push_back(u'[');
      char16_t v = c;
      do {
        out_ += u"\\x{";
        AppendHex(&out_, v);
        out_.push_back(u'}');
        v = NextCaseVariant(v);
      } while (v != c);
      out_.push_back(u']');
      return;
    }
    out_ += u"\\x{";
    AppendHex(&out_, c);
    out_.push_back(u'}');
  }

  // Writes `members` (then complemented when `negated`) as one PCRE2 atom.
  // Ignoring case, a unit is in the class when any unit equal to it
  // ignoring case is, so the set is closed over case first.
  void EmitSet(const CodeUnitSet& members, bool negated) {
    auto set = std::make_unique<CodeUnitSet>(members);
    if (ignoreCase_) {
      for (char16_t c : UnitsWithOtherCase()) {
        if (!members.test(c)) continue;
        for (char16_t v = NextCaseVariant(c); v != c; v = NextCaseVariant(v)) set->set(v);
      }
    }
    if (negated) set->flip();
    if (set->none()) {
      out_ += u"(?:(?!))";  // "[]" matches nothing
      return;
    }
    // Whichever of the set and its complement has fewer ranges is written.
    auto complement = std::make_unique<CodeUnitSet>(*set);
    complement->flip();
    size_t ranges = 0, gaps = 0;
    set->ForEachRange([&](uint32_t, uint32_t) { ++ranges; });
    complement->ForEachRange([&](uint32_t, uint32_t) { ++gaps; });
    if (gaps == 0) {
      out_ += u"[\\x{0}-\\x{ffff}]";  // PCRE2 has no "[^]"
      return;
    }
    const CodeUnitSet& written = gaps < ranges ? *complement : *set;
    out_ += gaps < ranges ? u"[^" : u"[";
    written.ForEachRange([&](uint32_t first, uint32_t last) {
      out_ += u"\\x{";
      AppendHex(&out_, first);
      out_.push_back(u'}');
      if (last > first) {
        out_ += u"-\\x{";
        AppendHex(&out_, last);
        out_.push_back(u'}');
      }
    });
    out_.push_back(u']');
  }

  std::u16string_view p_;
  bool ignoreCase_;
  bool multiline_;
  size_t pos_ = 0;
  uint32_t totalGroups_ = 0;
  std::u16string out_;
  bool failed_ = false;
  size_t errorOffset_ = 0;
  bool caselessBackReference_ = false;
};

}  // namespace

Translation TranslatePattern(std::u16string_view pattern, bool ignoreCase, bool multiline) {
  Translator translator(pattern, ignoreCase, multiline);
  return translator.Run();
}

}  // namespace builtin_regex
