// RegexObject against the platform's engine: matches and groups in code
// page 936, positions, flags, silent failures, the quote flag, Replace and
// copies. No pattern here can match the empty string: some engines loop on
// such a pattern in a global search for many seconds before failing.
#include <gtest/gtest.h>

#include <cstring>
#include <windows.h>
#include <objbase.h>

#include <string>
#include <vector>

#include "extract/regex_object.h"
#include "tests/support/test_support.h"

namespace {

// A string VARIANT of the given UTF-16 units (an odd trailing byte left out).
bool VariantFromUtf16(const Bytes& utf16, VARIANT* target) {
  VariantClear(target);
  const UINT units = static_cast<UINT>(utf16.size() / 2);
  BSTR s = SysAllocStringLen(nullptr, units);
  if (!s) return false;
  if (units) std::memcpy(s, utf16.data(), static_cast<size_t>(units) * 2);
  target->vt = VT_BSTR;
  target->bstrVal = s;  // the VARIANT owns the string now
  return true;
}


const Text kAbsent;

struct Group {
  int match, group;
  const char* text;
};

// Every match's text in order.
std::vector<std::string> AllMatches(RegexObject& regex) {
  std::vector<std::string> out;
  for (int k = 1; k <= regex.GetMatchCount(); ++k) out.push_back(regex.GetMatchText(k).Str());
  return out;
}

// True when the calling thread has COM initialised (CoInitialize answers
// S_FALSE); the probe's own initialisation is undone at once.
bool ComInitialised() {
  HRESULT hr = CoInitialize(nullptr);
  if (SUCCEEDED(hr)) CoUninitialize();
  return hr == S_FALSE;
}

bool NoDialogShown() { return TopWindowsOf(GetCurrentProcessId(), "#32770").empty(); }

TEST(RegexObject, MatchesAndGroups) {
  struct {
    const char* pattern;
    Text subject;
    int matches;
    int groups;
    std::vector<Group> texts;
  } cases[] = {
      {"a(.+?)b", "xaYbzaZZb", 2, 1, {{1, 1, "Y"}, {2, 1, "ZZ"}, {1, 2, ""}, {2, 2, ""}}},
      {"<(.+?)>", "<中文>和<b>", 2, 1, {{1, 1, "中文"}, {2, 1, "b"}}},
      {"(a)(.+?);", "ab;ac;", 2, 2, {{1, 1, "a"}, {1, 2, "b"}, {2, 2, "c"}}},
      // A group that took no part gives the empty text.
      {"(x)?a(.+?);", "ab;", 1, 2, {{1, 1, ""}, {1, 2, "b"}}},
      // No match across a line feed, CR LF or not.
      {"<(.+?)>", "<a\r\nb>", 0, 0, {}},
      {"<(.+?)>", "<a\nb>", 0, 0, {}},
      // Without a terminator after the subject, "." finds no phantom U+0000.
      {"(.+?)", "ab", 2, 1, {{1, 1, "a"}, {2, 1, "b"}}},
      {"(.+?)", "", 0, 0, {}},
      {"(.+?)", kAbsent, 0, 0, {}},
      {"=(.+?)", "a=1;b=", 1, 1, {{1, 1, "1"}}},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(std::string(c.pattern) + " over " + c.subject.Str());
    RegexObject regex;
    EXPECT_TRUE(regex.Create(c.pattern, c.subject));
    EXPECT_EQ(regex.GetMatchCount(), c.matches);
    EXPECT_EQ(regex.GetSubMatchCount(), c.groups);
    for (const Group& g : c.texts) {
      EXPECT_EQ(regex.GetSubMatchText(g.match, g.group).Str(), g.text)
          << "match " << g.match << " group " << g.group;
    }
  }
}

TEST(RegexObject, Flags) {
  struct {
    const char* name;
    const char* pattern;
    const char* subject;
    std::optional<bool> caseSensitive, multiLine, global;
    std::vector<std::string> matches;
  } cases[] = {
      {"case ignored when absent", "A", "a", {}, {}, {}, {"a"}},
      {"case-sensitive", "A", "a", true, {}, {}, {}},
      {"case-sensitive false", "A", "a", false, {}, {}, {"a"}},
      {"ASCII letters fold both ways", "<B>(.+?)</b>", "<b>x</B>", {}, {}, {}, {"<b>x</B>"}},
      {"multi-line when absent", "^x(.)", "ax\nxb", {}, {}, {}, {"xb"}},
      {"multi-line off", "^x(.)", "ax\nxb", {}, false, {}, {}},
      {"global when absent", "a(.)", "abac", {}, {}, {}, {"ab", "ac"}},
      {"global off", "a(.)", "abac", {}, {}, false, {"ab"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RegexObject regex;
    EXPECT_TRUE(regex.Create(c.pattern, c.subject, c.caseSensitive, c.multiLine, c.global));
    EXPECT_EQ(AllMatches(regex), c.matches);
  }
}

// An invalid pattern fails without a word: no match, no text, no dialog.
TEST(RegexObject, InvalidPatternFailsSilently) {
  for (const char* pattern : {"((.+?)", "[(.+?)", "a(.+?)b)"}) {
    SCOPED_TRACE(pattern);
    RegexObject regex;
    EXPECT_FALSE(regex.Create(pattern, "abc ab"));
    EXPECT_EQ(regex.GetMatchCount(), 0);
    EXPECT_EQ(regex.GetSubMatchCount(), 0);
    EXPECT_EQ(regex.GetMatchText(1), Text(""));
    EXPECT_EQ(regex.GetSubMatchText(1, 1), Text(""));
    int position = 5;
    regex.GetMatchText(1, &position);
    EXPECT_EQ(position, -2);
    EXPECT_EQ(regex.Replace("x"), Text(""));
    EXPECT_TRUE(NoDialogShown());
  }
}

TEST(RegexObject, BeforeCreate) {
  RegexObject regex;
  EXPECT_EQ(regex.GetMatchCount(), 0);
  EXPECT_EQ(regex.GetSubMatchCount(), 0);
  EXPECT_EQ(regex.GetPattern(), Text(""));
  EXPECT_EQ(regex.GetMatchText(1), Text(""));
  EXPECT_EQ(regex.GetSubMatchText(1, 1), Text(""));
  EXPECT_EQ(regex.Replace("x"), Text(""));
}

TEST(RegexObject, OutOfRangeItemsGiveEmptyText) {
  RegexObject regex;
  ASSERT_TRUE(regex.Create("a(.)", "ab ac"));
  ASSERT_EQ(regex.GetMatchCount(), 2);
  const std::pair<int, int> outside[] = {{0, 1}, {3, 1}, {-1, 1}, {1, 0}, {1, 2}, {2, 5}};
  for (auto [match, group] : outside) {
    SCOPED_TRACE(std::to_string(match) + "," + std::to_string(group));
    int position = 7;
    EXPECT_EQ(regex.GetSubMatchText(match, group, &position), Text(""));
    EXPECT_EQ(position, -2);
  }
  int position = 7;
  EXPECT_EQ(regex.GetMatchText(3, &position), Text(""));
  EXPECT_EQ(position, -2);
  EXPECT_EQ(regex.GetMatchText(0), Text(""));
  EXPECT_TRUE(NoDialogShown());
}

// Positions are 0-based byte offsets in the code-page-936 subject, whereas
// the engine counts UTF-16 units.
TEST(RegexObject, Positions) {
  struct {
    const char* pattern;
    const char* subject;
    int match, group;  // group 0: the match itself
    const char* text;
    int position;
  } cases[] = {
      {"a", "中a", 1, 0, "a", 2},
      {"a", "a中a", 2, 0, "a", 3},
      {"b", "bb", 2, 0, "b", 1},  // the second occurrence, not the first
      {"a", "中中a", 1, 0, "a", 4},
      {"前(.+?)后", "中前文后", 1, 1, "文", 4},
      {"前(.+?)后", "前x后中前x后", 2, 1, "x", 9},
      {"(a)(b)", "xab", 1, 2, "b", 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.pattern) + " over " + c.subject);
    RegexObject regex;
    ASSERT_TRUE(regex.Create(c.pattern, c.subject));
    int position = 99;
    Text text = c.group == 0 ? regex.GetMatchText(c.match, &position)
                             : regex.GetSubMatchText(c.match, c.group, &position);
    EXPECT_EQ(text.Str(), c.text);
    EXPECT_EQ(position, c.position);
  }
}

TEST(RegexObject, QuoteFlag) {
  const Text quoteMarker("#引号");
  ASSERT_EQ(quoteMarker.Str(), "#\xD2\xFD\xBA\xC5");
  struct {
    const char* name;
    Text pattern;
    std::optional<bool> quote;
    Text pattern_written;
    const char* subject;
    std::vector<std::string> matches;
  } cases[] = {
      {"replaced", "#引号(.+?)#引号", true, "\"(.+?)\"", "say \"hi\" #引号x#引号",
       {"\"hi\""}},
      {"kept when absent", "#引号(.+?)#引号", {}, "#引号(.+?)#引号", "say \"hi\" #引号x#引号",
       {"#引号x#引号"}},
      {"kept when false", "#引号(.+?)#引号", false, "#引号(.+?)#引号", "\"hi\"", {}},
      {"next to Chinese", "中#引号", true, "中\"", "中\"", {"中\""}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RegexObject regex;
    regex.Create(c.pattern, c.subject, {}, {}, {}, c.quote);
    EXPECT_EQ(regex.GetPattern(), c.pattern_written);
    EXPECT_EQ(AllMatches(regex), c.matches);
  }
  // After a lead byte, "#" is the second byte of a character, so no
  // placeholder starts there (the pair is no valid character and comes back
  // substituted, but never as a quote).
  RegexObject regex;
  regex.Create("\x81#引号", "", {}, {}, {}, true);
  EXPECT_EQ(regex.GetPattern().Str().find('"'), std::string::npos);
  EXPECT_NE(regex.GetPattern().Str().find("引号"), std::string::npos);
}

// Replace gives the whole subject with every match replaced.
TEST(RegexObject, Replace) {
  struct {
    const char* pattern;
    const char* subject;
    Text replacement;
    const char* result;
  } cases[] = {
      {"o", "foo boo", "0", "f00 b00"},
      {"o", "foo boo", kAbsent, "f b"},
      {"o", "foo boo", "", "f b"},
      {"中", "中文中", "汉", "汉文汉"},
      {"(b)(.+?);", "ab1;cb2;", "[$2$1]", "a[1b]c[2b]"},
      {"z", "foo", "x", "foo"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.pattern) + " over " + c.subject);
    RegexObject regex;
    ASSERT_TRUE(regex.Create(c.pattern, c.subject));
    EXPECT_EQ(regex.Replace(c.replacement).Str(), c.result);
  }
  RegexObject regex;
  ASSERT_TRUE(regex.Create("o", "foo"));
  EXPECT_EQ(regex.Replace(), Text("f"));
}

// Each Create starts afresh: engine, matches and subject are replaced.
TEST(RegexObject, CreateAgain) {
  RegexObject regex;
  ASSERT_TRUE(regex.Create("a(.)", "ab ac"));
  ASSERT_EQ(regex.GetSubMatchText(2, 1), Text("c"));
  EXPECT_FALSE(regex.Create("(", "x"));
  EXPECT_EQ(regex.GetMatchCount(), 0);
  EXPECT_EQ(regex.GetSubMatchText(2, 1), Text(""));
  ASSERT_TRUE(regex.Create("x(.)", "xy", true));
  EXPECT_EQ(regex.GetMatchCount(), 1);
  EXPECT_EQ(regex.GetSubMatchText(1, 1), Text("y"));
  EXPECT_EQ(regex.GetPattern(), Text("x(.)"));
}

// A copy shares the engine and the matches and keeps COM initialised for as
// long as any object lives.
TEST(RegexObject, CopyKeepsComBalanced) {
  ASSERT_FALSE(ComInitialised()) << "the test starts on a thread without COM";
  {
    auto original = std::make_unique<RegexObject>();
    ASSERT_TRUE(original->Create("<(.+?)>", "<一><二>"));
    {
      RegexObject copy(*original);
      EXPECT_EQ(copy.GetMatchCount(), 2);
      EXPECT_EQ(copy.GetSubMatchText(2, 1), Text("二"));
      int position = 0;
      EXPECT_EQ(copy.GetMatchText(2, &position), Text("<二>"));
      EXPECT_EQ(position, 4);
    }
    EXPECT_TRUE(ComInitialised()) << "destroying the copy left the original's COM alone";
    EXPECT_EQ(original->GetSubMatchText(1, 1), Text("一"));

    RegexObject survivor(*original);
    original.reset();
    EXPECT_TRUE(ComInitialised());
    EXPECT_EQ(survivor.GetSubMatchText(1, 1), Text("一"));
    EXPECT_EQ(survivor.Replace("-"), Text("--"));
  }
  EXPECT_FALSE(ComInitialised()) << "every object uninitialised what it initialised";
}

// The VARIANT conversions of the automation layer.
TEST(Automation, VariantConversions) {
  const Bytes utf16 = {0x2D, 0x4E, 0x41, 0x00};  // 中A
  {
    ScopedVariant array;
    ASSERT_TRUE(VariantFromBytes(utf16, array.get()));
    EXPECT_EQ(array->vt, VT_ARRAY | VT_UI1);
    LONG lower = 0;
    SafeArrayGetLBound(array->parray, 1, &lower);
    EXPECT_EQ(lower, 1);
    EXPECT_EQ(BytesFromVariant(*array.get()), utf16);
    // The platform's coercion of such an array to a string: the same units.
    EXPECT_EQ(TextFromVariant(*array.get()), Text("中A"));
  }
  {
    ScopedVariant empty;
    ASSERT_TRUE(VariantFromBytes(Bytes(), empty.get()));
    EXPECT_EQ(empty->vt, VT_ARRAY | VT_UI1);
    EXPECT_TRUE(BytesFromVariant(*empty.get()).empty());
  }
  {
    ScopedVariant string;
    ASSERT_TRUE(VariantFromUtf16({0x2D, 0x4E, 0x41, 0x00, 0x42}, string.get()));
    EXPECT_EQ(string->vt, VT_BSTR);
    EXPECT_EQ(BytesFromVariant(*string.get()), utf16) << "the odd byte is left out";
    EXPECT_EQ(TextFromVariant(*string.get()), Text("中A"));
  }
  ScopedVariant boolean;
  boolean->vt = VT_BOOL;
  boolean->boolVal = VARIANT_TRUE;
  EXPECT_TRUE(BytesFromVariant(*boolean.get()).empty()) << "a boolean is no byte array";
  EXPECT_EQ(NumberFromVariant(*boolean.get()), -1.0);
  ScopedVariant nothing;
  EXPECT_EQ(TextFromVariant(*nothing.get()), Text(""));
  EXPECT_EQ(IntegerFromVariant(*nothing.get()), 0);
  EXPECT_FALSE(ObjectFromVariant(*nothing.get()));
  ScopedVariant number;
  number->vt = VT_R8;
  number->dblVal = -2.9;
  EXPECT_EQ(IntegerFromVariant(*number.get()), -2) << "truncated toward zero";
  // A string with an embedded U+0000 is cut there.
  ScopedVariant cut;
  ASSERT_TRUE(VariantFromUtf16({0x41, 0x00, 0x00, 0x00, 0x42, 0x00}, cut.get()));
  EXPECT_EQ(TextFromVariant(*cut.get()), Text("A"));
}

}  // namespace
