// The built-in regular-expression engine: what the pattern translator
// accepts, refuses and writes, and the automation object's behaviour as the
// program reaches it, by member name through IDispatch.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/scoped.h"
#include "extract/builtin_regex/builtin_regexp.h"
#include "extract/builtin_regex/pattern_translator.h"
#include "tests/regex_dispatch.h"

using builtin_regex::TranslatePattern;
using regex_dispatch::Describe;
using regex_dispatch::Get;
using regex_dispatch::Match;
using regex_dispatch::Put;
using regex_dispatch::Value;

namespace {

std::string Narrow(const std::u16string& s) {
  std::string out;
  for (char16_t c : s) out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return out;
}

TEST(PatternTranslatorTest, AcceptsAndRefusesAsTheEngine) {
  struct Case {
    const char16_t* pattern;
    bool accepted;
  } cases[] = {
      // refused: unbalanced, nothing to repeat, bad ranges and counts
      {u"a(", false}, {u"a)", false}, {u"(a))", false}, {u"[a", false}, {u"[^", false}, {u"*a", false},
      {u"+", false}, {u"a|?", false}, {u"{2}", false}, {u"[z-a]", false}, {u"a{2,1}", false},
      {u"\\", false}, {u"a\\", false},
      // refused: PCRE2 constructs that the engine does not have
      {u"(?<=a)b", false}, {u"(?<!a)b", false}, {u"(?i)a", false}, {u"(?<n>a)", false},
      {u"(?P<n>a)", false}, {u"(?#note)", false}, {u"(?>a)", false}, {u"(?|a)", false},
      {u"a++", false}, {u"a*+", false}, {u"a?+", false}, {u"a{2}+", false}, {u"a{2}{3}", false},
      {u"a**", false}, {u"a???", false},
      // refused: anchors and boundaries take no quantifier
      {u"^*", false}, {u"$+", false}, {u"\\b?", false}, {u"\\B{2}", false},
      // refused: counts PCRE2 cannot express
      {u"a{65536}", false}, {u"a{1,99999999999}", false},
      // accepted: braces that are no count are literals
      {u"a{", true}, {u"a{,2}", true}, {u"a{x}", true}, {u"{", true}, {u"a{2,", true}, {u"}", true},
      {u"]", true},
      // accepted: lazy forms, lookaheads (also repeated), groups
      {u"a??", true}, {u"a*?", true}, {u"a{2,3}?", true}, {u"(?=a)*a", true}, {u"(?!a)+b", true},
      {u"(?:a|)", true}, {u"()", true}, {u"a{65535}", true},
      // accepted: classes
      {u"[]", true}, {u"[^]", true}, {u"[a-]", true}, {u"[-a]", true}, {u"[\\d-z]", true}, {u"[]a]", true},
      {u"[\\]]", true}, {u"[a-a]", true},
      // accepted: escapes the engine reads as the character itself
      {u"\\Q\\E", true}, {u"\\k<n>", true}, {u"\\p{L}", true}, {u"\\/", true}, {u"\\8", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.accepted, TranslatePattern(c.pattern, false, false).ok) << Narrow(c.pattern);
  }
}

TEST(PatternTranslatorTest, RefusesNestingPastTheLimit) {
  std::u16string deep(builtin_regex::kMaxGroupNesting + 1, u'(');
  deep += std::u16string(builtin_regex::kMaxGroupNesting + 1, u')');
  EXPECT_FALSE(TranslatePattern(deep, false, false).ok);
  std::u16string fine(50, u'(');
  fine += u"a" + std::u16string(50, u')');
  EXPECT_TRUE(TranslatePattern(fine, false, false).ok);
}

TEST(PatternTranslatorTest, WritesTheEngineMeaning) {
  struct Case {
    const char16_t* pattern;
    bool ignoreCase, multiline;
    const char16_t* pcre;
  } cases[] = {
      {u"a", false, false, u"\\x{61}"},
      {u".", false, false, u"[^\\x{a}]"},
      {u"^$", false, false, u"\\A\\z"},
      {u"^$", false, true, u"(?<![^\\x{a}\\x{d}])(?![^\\x{a}\\x{d}])"},
      {u"\\d", false, false, u"[\\x{30}-\\x{39}]"},
      {u"\\s", false, false, u"[\\x{9}-\\x{d}\\x{20}]"},
      {u"\\S", false, false, u"[^\\x{9}-\\x{d}\\x{20}]"},
      {u"\\w", false, false, u"[\\x{30}-\\x{39}\\x{41}-\\x{5a}\\x{5f}\\x{61}-\\x{7a}]"},
      {u"[]", false, false, u"(?:(?!))"},
      {u"[^]", false, false, u"[\\x{0}-\\x{ffff}]"},
      {u"[\\b]", false, false, u"[\\x{8}]"},
      {u"\\x41\\x4\\u00e9\\u12", false, false, u"\\x{41}\\x{78}\\x{34}\\x{e9}\\x{75}\\x{31}\\x{32}"},
      {u"\\cJ\\c1", false, false, u"\\x{a}\\x{63}\\x{31}"},
      {u"a{,2}", false, false, u"\\x{61}\\x{7b}\\x{2c}\\x{32}\\x{7d}"},
      {u"a{2,}?", false, false, u"\\x{61}{2,}?"},
      {u"(?=a)", false, false, u"(?:(?=\\x{61}))"},
      // octal: three digits after 0-3, two after 4-7; 8 and 9 are digits
      {u"\\101\\400\\8\\0", false, false, u"\\x{41}\\x{20}\\x{30}\\x{38}\\x{0}"},
      // back references: a group of the whole pattern, also ahead; the
      // longest number that names a group, then literal digits
      {u"\\1(a)", false, false, u"(?:\\g{1})(\\x{61})"},
      {u"(a)\\12", false, false, u"(\\x{61})(?:\\g{1})\\x{32}"},
      {u"(a)\\2", false, false, u"(\\x{61})\\x{2}"},
      {u"(a)\\1", true, false, u"([\\x{61}\\x{41}])(?i:\\g{1})"},
      // letter case: the units equal ignoring case, ASCII never joined to
      // units outside it (U+017F, U+212A stay apart from s and k)
      {u"\\u00e9", true, false, u"[\\x{e9}\\x{c9}]"},
      {u"k", true, false, u"[\\x{6b}\\x{4b}]"},
      {u"\\u212a", true, false, u"\\x{212a}"},
      {u"[a-c]", true, false, u"[\\x{41}-\\x{43}\\x{61}-\\x{63}]"},
      {u"[^a]", true, false, u"[^\\x{41}\\x{61}]"},
  };
  for (const Case& c : cases) {
    builtin_regex::Translation t = TranslatePattern(c.pattern, c.ignoreCase, c.multiline);
    ASSERT_TRUE(t.ok) << Narrow(c.pattern);
    EXPECT_EQ(Narrow(c.pcre), Narrow(t.pcre)) << Narrow(c.pattern);
  }
}

class BuiltinRegExpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CoInitialize(nullptr);
    ComPtr<IUnknown> unknown;
    ASSERT_EQ(S_OK, CreateBuiltinRegExp(unknown.put()));
    engine_ = unknown.As<IDispatch>(IID_IDispatch);
    ASSERT_TRUE(engine_);
  }
  void TearDown() override {
    engine_.reset();
    CoUninitialize();
  }

  // The engine's result in the conformance table's notation, or "ERROR".
  std::string Run(const std::wstring& pattern, const Value& subject, const char* flags = "img") {
    std::vector<Match> matches;
    std::string f(flags);
    bool ok = regex_dispatch::Execute(engine_.get(), pattern, f.find('i') != std::string::npos,
                                      f.find('m') != std::string::npos, f.find('g') != std::string::npos,
                                      subject, &matches);
    return ok ? Describe(matches) : "ERROR";
  }
  std::string Run(const std::wstring& pattern, const std::wstring& subject, const char* flags = "img") {
    return Run(pattern, Value::String(subject), flags);
  }

  ComPtr<IDispatch> engine_;
};

TEST_F(BuiltinRegExpTest, MatchesAsTheEngine) {
  struct Case {
    const wchar_t* pattern;
    const wchar_t* subject;
    const char* flags;
    const char* expected;
  } cases[] = {
      // captures inside a repeated group keep their last value
      {L"(?:(a)|b)+", L"ab", "g", "0:\"ab\"[\"a\"]"},
      {L"(?:(a)|(b))+", L"ab", "g", "0:\"ab\"[\"a\",\"b\"]"},
      // without Multiline the anchors hold only at the ends of the subject
      {L"^a|a$", L"a\na\na", "g", "0:\"a\" 4:\"a\""},
      {L"^a", L"a\ra\na", "mg", "0:\"a\" 2:\"a\" 4:\"a\""},
      {L"a$", L"a\ra\na", "mg", "0:\"a\" 2:\"a\" 4:\"a\""},
      // without Global only the first match
      {L"a", L"aaa", "", "0:\"a\""},
      // case: without IgnoreCase letters are exact; Unicode pairs fold
      {L"A", L"a", "g", "none"},
      {L"\u0101", L"\u0100", "ig", "0:\"%u0100\""},
      {L"\u00df", L"SS", "ig", "none"},
      {L"s", L"\u017f", "ig", "none"},
      {L"(\u00e9)\\1", L"\u00e9\u00c9", "ig", "0:\"%u00E9%u00C9\"[\"%u00E9\"]"},
      // back references to a group that took no part match nothing
      {L"(a)?b\\1", L"b", "g", "0:\"b\"[EMPTY]"},
      // lazy group, empty-match advance after a non-empty match
      {L"a??", L"aa", "g", "0:\"\" 1:\"\" 2:\"\""},
      {L"\\d*", L"1a22", "g", "0:\"1\" 1:\"\" 2:\"22\" 4:\"\""},
      // octal and control escapes
      {L"\\101\\cA", L"A\x01", "g", "0:\"A%u0001\""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.expected, Run(c.pattern, c.subject, c.flags)) << Narrow(std::u16string(c.pattern, c.pattern + wcslen(c.pattern)));
  }
  EXPECT_EQ("1:\"%u0000\"", Run(L"\\0", std::wstring(L"a\0b", 3), "g"));
}

// The program passes its subject as a byte array of UTF-16 bytes with the
// terminating zero unit; the engine matches those units as a string.
TEST_F(BuiltinRegExpTest, TakesTheSubjectAsAByteArray) {
  std::vector<unsigned char> ab = {'a', 0, 'b', 0, 0, 0};
  EXPECT_EQ("0:\"a\"[\"a\"] 1:\"b\"[\"b\"] 2:\"%u0000\"[\"%u0000\"]", Run(L"(.+?)", Value::ByteArray(ab)));
  EXPECT_EQ("0:\"%u0000\"[\"%u0000\"]", Run(L"(.+?)", Value::ByteArray({0, 0})));
  EXPECT_EQ("none", Run(L"(.+?)", Value::ByteArray({})));
  // an odd last byte is no code unit
  EXPECT_EQ("0:\"a\"", Run(L"[^]", Value::ByteArray({'a', 0, 'b'})));
  // a by-reference argument is read through
  BSTR text = SysAllocString(L"xaYb");
  Value byRef;
  V_VT(byRef.get()) = VT_BYREF | VT_BSTR;
  V_BSTRREF(byRef.get()) = &text;  // clearing a by-reference VARIANT frees nothing
  EXPECT_EQ("1:\"aYb\"[\"Y\"]", Run(L"a(.+?)b", byRef));
  SysFreeString(text);
}

TEST_F(BuiltinRegExpTest, FailsAsThePlatformObject) {
  Value result;
  EXPECT_EQ(DISP_E_UNKNOWNNAME, Put(engine_.get(), L"Singleline", Value::Bool(true)));
  EXPECT_EQ(DISP_E_UNKNOWNNAME, Get(engine_.get(), L"SubMatches", &result));
  // names are found without regard to letter case
  EXPECT_EQ(S_OK, Put(engine_.get(), L"pATTERN", Value::String(L"a(")));
  ASSERT_EQ(S_OK, Get(engine_.get(), L"Pattern", &result));
  EXPECT_EQ(L"a(", result.Str());
  EXPECT_EQ(DISP_E_EXCEPTION, Get(engine_.get(), L"Execute", {Value::String(L"a(")}, &result));
  EXPECT_EQ(DISP_E_EXCEPTION, Get(engine_.get(), L"Test", {Value::String(L"a(")}, &result));
  EXPECT_EQ(DISP_E_EXCEPTION, Get(engine_.get(), L"Replace", {Value::String(L"a("), Value::String(L"")}, &result));
  // wrong argument counts
  EXPECT_EQ(DISP_E_BADPARAMCOUNT, Get(engine_.get(), L"Execute", {}, &result));
  EXPECT_EQ(DISP_E_BADPARAMCOUNT, Get(engine_.get(), L"Execute", {Value::String(L"a"), Value::String(L"b")}, &result));
  // "Item" outside the range, of the matches and of the groups
  ASSERT_EQ(S_OK, Put(engine_.get(), L"Pattern", Value::String(L"(a)")));
  ASSERT_EQ(S_OK, Get(engine_.get(), L"Execute", {Value::String(L"xa")}, &result));
  ComPtr<IDispatch> matches = result.Object();
  ASSERT_TRUE(matches);
  Value item;
  EXPECT_EQ(DISP_E_EXCEPTION, Get(matches.get(), L"Item", {Value::Double(1)}, &item));
  EXPECT_EQ(DISP_E_EXCEPTION, Get(matches.get(), L"Item", {Value::Long(-1)}, &item));
  ASSERT_EQ(S_OK, Get(matches.get(), L"Item", {Value::Double(0)}, &item));
  Value first, length, groups;
  ASSERT_EQ(S_OK, Get(item.Object().get(), L"FirstIndex", &first));
  ASSERT_EQ(S_OK, Get(item.Object().get(), L"Length", &length));
  EXPECT_EQ(1, first.Long());
  EXPECT_EQ(1, length.Long());
  ASSERT_EQ(S_OK, Get(item.Object().get(), L"SubMatches", &groups));
  Value group;
  EXPECT_EQ(S_OK, Get(groups.Object().get(), L"Item", {Value::Double(0)}, &group));
  EXPECT_EQ(DISP_E_EXCEPTION, Get(groups.Object().get(), L"Item", {Value::Double(1)}, &group));
  // read-only members refuse a write
  EXPECT_NE(S_OK, Put(matches.get(), L"Count", Value::Long(3)));
}

TEST_F(BuiltinRegExpTest, KeepsEachCollectionAsItWasFound) {
  Put(engine_.get(), L"Global", Value::Bool(true));
  Put(engine_.get(), L"Pattern", Value::String(L"a"));
  Value first;
  ASSERT_EQ(S_OK, Get(engine_.get(), L"Execute", {Value::String(L"aAa")}, &first));
  Put(engine_.get(), L"IgnoreCase", Value::Bool(true));
  Value second;
  ASSERT_EQ(S_OK, Get(engine_.get(), L"Execute", {Value::String(L"aAa")}, &second));
  Value count;
  Get(first.Object().get(), L"Count", &count);
  EXPECT_EQ(2, count.Long());
  Get(second.Object().get(), L"Count", &count);
  EXPECT_EQ(3, count.Long());
  // the default member of a collection is "Item", of a match "Value"
  DISPPARAMS params = {};
  VARIANT index;
  VariantInit(&index);
  V_VT(&index) = VT_I4;
  V_I4(&index) = 1;
  params.rgvarg = &index;
  params.cArgs = 1;
  Value match;
  ASSERT_EQ(S_OK, second.Object()->Invoke(DISPID_VALUE, IID_NULL, 0, DISPATCH_PROPERTYGET, &params, match.get(),
                                          nullptr, nullptr));
  DISPPARAMS none = {};
  Value text;
  ASSERT_EQ(S_OK, match.Object()->Invoke(DISPID_VALUE, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, text.get(), nullptr,
                                         nullptr));
  EXPECT_EQ(L"A", text.Str());
}

TEST_F(BuiltinRegExpTest, EnumeratesTheMatches) {
  Put(engine_.get(), L"Global", Value::Bool(true));
  Put(engine_.get(), L"Pattern", Value::String(L"\\d"));
  Value found;
  ASSERT_EQ(S_OK, Get(engine_.get(), L"Execute", {Value::String(L"1a2b3")}, &found));
  Value enumerator;
  ASSERT_EQ(S_OK, Get(found.Object().get(), L"_NewEnum", &enumerator));
  ASSERT_EQ(VT_UNKNOWN, enumerator.type());
  ComPtr<IEnumVARIANT> items;
  ASSERT_EQ(S_OK, V_UNKNOWN(enumerator.get())->QueryInterface(IID_IEnumVARIANT, items.put_void()));
  std::wstring seen;
  VARIANT v[2];
  ULONG fetched = 0;
  while (items->Next(2, v, &fetched), fetched > 0) {
    for (ULONG i = 0; i < fetched; ++i) {
      Value text;
      Get(V_DISPATCH(&v[i]), L"Value", &text);
      seen += text.Str();
      VariantClear(&v[i]);
    }
  }
  EXPECT_EQ(L"123", seen);
}

TEST_F(BuiltinRegExpTest, ReplacesAsTheEngine) {
  struct Case {
    const wchar_t* pattern;
    const char* flags;
    const wchar_t* subject;
    const wchar_t* replacement;
    const wchar_t* expected;
  } cases[] = {
      {L"(a)(b)?", "g", L"xabya", L"[$1|$2]", L"x[a|b]y[a|]"},
      {L"b", "g", L"abc", L"<$&|$`|$'|$$>", L"a<b|a|c|$>c"},
      {L"a", "", L"aaa", L"b", L"baa"},
      {L"a", "g", L"aaa", L"b", L"bbb"},
      {L"x*", "g", L"ab", L"-", L"-a-b-"},
      // "$n" only for a group of the pattern; two digits when both name one
      {L"(a)", "g", L"a", L"$0$2$1$10$", L"$0$2aa0$"},
      {L"(((((((((((a)))))))))))", "g", L"a", L"$11$111", L"aa1"},
      {L"z", "g", L"abc", L"$&", L"abc"},
      {L"A", "ig", L"a\u4e2da", L"\u6587", L"\u6587\u4e2d\u6587"},
  };
  for (const Case& c : cases) {
    std::string f(c.flags);
    Put(engine_.get(), L"IgnoreCase", Value::Bool(f.find('i') != std::string::npos));
    Put(engine_.get(), L"Global", Value::Bool(f.find('g') != std::string::npos));
    Put(engine_.get(), L"Pattern", Value::String(c.pattern));
    Value result;
    ASSERT_EQ(S_OK, Get(engine_.get(), L"Replace", {Value::String(c.subject), Value::String(c.replacement)}, &result));
    EXPECT_EQ(std::wstring(c.expected), result.Str()) << c.subject;
  }
  // The program passes its replacement as a byte array with a terminating
  // zero unit: that unit is part of every insertion.
  Put(engine_.get(), L"Pattern", Value::String(L"b"));
  Value result;
  ASSERT_EQ(S_OK, Get(engine_.get(), L"Replace",
                      {Value::ByteArray({'a', 0, 'b', 0, 'b', 0}), Value::ByteArray({'X', 0, 0, 0})}, &result));
  EXPECT_EQ(std::wstring(L"aX\0X\0", 5), result.Str());
}

TEST_F(BuiltinRegExpTest, TestsForAMatch) {
  Put(engine_.get(), L"Pattern", Value::String(L"^b"));
  Value result;
  ASSERT_EQ(S_OK, Get(engine_.get(), L"Test", {Value::String(L"a\nb")}, &result));
  EXPECT_EQ(VT_BOOL, result.type());
  EXPECT_EQ(VARIANT_FALSE, V_BOOL(result.get()));
  Put(engine_.get(), L"Multiline", Value::Bool(true));
  ASSERT_EQ(S_OK, Get(engine_.get(), L"Test", {Value::String(L"a\nb")}, &result));
  EXPECT_EQ(VARIANT_TRUE, V_BOOL(result.get()));
}

// A marker that backtracks without end over a long line: no match is ever
// reported. When PCRE2 can tell at once that no match exists (a required
// "b" that the line lacks) the search simply finds nothing; when it has to
// backtrack, the search stops at its limit and "Execute" fails as a whole.
TEST_F(BuiltinRegExpTest, PathologicalPatternsGiveNoMatches) {
  std::wstring line(100000, L'a');
  std::vector<Match> matches;
  HRESULT failure = S_OK;
  bool ok = regex_dispatch::Execute(engine_.get(), L"(a+)+b(.+?)", true, true, true, Value::String(line), &matches,
                                    &failure);
  EXPECT_TRUE(!ok || matches.empty());
  ok = regex_dispatch::Execute(engine_.get(), L"(a+)+(b|c)(.+?)", true, true, true, Value::String(line), &matches,
                               &failure);
  EXPECT_FALSE(ok);
  EXPECT_EQ(DISP_E_EXCEPTION, failure);
  EXPECT_TRUE(matches.empty());
  // the same engine still works afterwards
  EXPECT_EQ("0:\"ab\"[\"b\"]", Run(L"a(.+?)", L"ab"));
}

}  // namespace
