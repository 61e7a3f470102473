#include "extract/regex_object.h"

#include <cstring>
#include <string>
#include <utility>

#include "common/external_functions.h"
#include "extract/builtin_regex/builtin_regexp.h"
#include "extract/text_conversion.h"

namespace {

using CoInitializeFn = HRESULT(WINAPI*)(LPVOID);
using CoUninitializeFn = void(WINAPI*)();

// The engine every RegexObject drives. This is the one place that decides
// which object that is: the platform's "VBScript.RegExp", created by ProgID,
// and where that cannot be created (VBScript is an optional Windows feature,
// being retired) the built-in engine with the same members. Whatever object
// is made here is reached only through IDispatch by member name.
bool CreateRegexEngine(ComPtr<IUnknown>* engine) {
  if (CreateObjectByProgId("VBScript.RegExp", engine)) return true;
  ComPtr<IUnknown> builtin;
  if (FAILED(CreateBuiltinRegExp(builtin.put()))) return false;
  *engine = std::move(builtin);
  return true;
}

// "#引号" in code page 936.
const char kQuotePlaceholder[] = "#\xD2\xFD\xBA\xC5";
constexpr size_t kQuotePlaceholderLength = sizeof kQuotePlaceholder - 1;

// Replaces every "#引号" that starts on a character boundary by '"'. A byte
// of 0x80 or above starts a two-byte character, so the scan steps over the
// trail byte, which could itself be 0x23.
Text ReplaceQuotePlaceholder(const Text& pattern) {
  const std::string& in = pattern.Str();
  std::string out;
  out.reserve(in.size());
  size_t i = 0;
  while (i < in.size()) {
    if (in.compare(i, kQuotePlaceholderLength, kQuotePlaceholder) == 0) {
      out.push_back('"');
      i += kQuotePlaceholderLength;
      continue;
    }
    const size_t step = static_cast<unsigned char>(in[i]) >= 0x80 && i + 1 < in.size() ? 2 : 1;
    out.append(in, i, step);
    i += step;
  }
  return Text(std::string_view(out));
}

double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

LARGE_INTEGER Now() {
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return t;
}

}  // namespace

RegexObject::RegexObject() {
  // subject_ holds the integer 0 until the first Create.
  subject_->vt = VT_I4;
  subject_->lVal = 0;
  ResolveExternal<CoInitializeFn>(External::kCoInitialize)(nullptr);
}

RegexObject::RegexObject(const RegexObject& other)
    : engine_(other.engine_),
      matches_(other.matches_),
      caller_(other.caller_),
      subMatchesOf_(other.subMatchesOf_),
      subMatches_(other.subMatches_),
      createTimes_(other.createTimes_) {
  VariantCopy(subject_.get(), const_cast<VARIANT*>(other.subject_.get()));
  // Balanced with this copy's own CoUninitialize.
  ResolveExternal<CoInitializeFn>(External::kCoInitialize)(nullptr);
}

RegexObject::~RegexObject() {
  ReleaseResults();
  engine_.reset();
  VariantClear(subject_.get());
  // Every reference is gone before COM goes down for the thread.
  ResolveExternal<CoUninitializeFn>(External::kCoUninitialize)();
}

void RegexObject::ReleaseResults() {
  subMatches_.reset();
  subMatchesOf_ = 0;
  matches_.reset();
}

bool RegexObject::Create(const Text& pattern, Text subject,
                         std::optional<bool> caseSensitive, std::optional<bool> multiLine,
                         std::optional<bool> global, std::optional<bool> quote) {
  const bool ignoreCase = !caseSensitive.value_or(false);
  const bool multi = multiLine.value_or(true);
  const bool all = global.value_or(true);
  const bool replaceQuotes = quote.value_or(false);

  ReleaseResults();
  engine_.reset();
  // The remembered member ids belong to the classes of the objects just let go.
  caller_.Forget();
  createTimes_ = CreateTimes{};

  ComPtr<IUnknown> created;
  if (CreateRegexEngine(&created)) engine_ = DispatchOf(created.get());

  caller_.PutBool(engine_.get(), "IgnoreCase", ignoreCase);
  caller_.PutBool(engine_.get(), "Multiline", multi);
  // The engine has no such member: this write fails and changes nothing.
  caller_.PutBool(engine_.get(), "Singleline", true);
  caller_.PutBool(engine_.get(), "Global", all);
  caller_.PutString(engine_.get(), "Pattern",
                    replaceQuotes ? ReplaceQuotePlaceholder(pattern) : pattern);

  // The subject reaches the engine without a terminating zero unit: with one,
  // "." would match that U+0000 after the text and give a phantom empty match.
  //
  // It is kept as a string, not as a byte array: "Execute" and "Replace" want
  // a string, and coercing a byte array to one costs two more copies of the
  // whole UTF-16 subject while the engine runs (24 MB for a 6 MB source)
  // for the same string in the end. It is converted straight into that
  // string, and the code-page text is let go at once.
  const LARGE_INTEGER start = Now();
  {
    VARIANT* target = subject_.put();
    target->vt = VT_BSTR;
    target->bstrVal = GbkToUnicodeString(subject);  // the VARIANT owns it now
    subject = Text();
  }
  const LARGE_INTEGER converted = Now();

  ScopedVariant result;
  AutomationArgs args;
  args.Variant(*subject_.get());
  if (caller_.Call(engine_.get(), "Execute", args, result.get())) {
    matches_ = ObjectFromVariant(*result.get());
  }
  const LARGE_INTEGER executed = Now();
  createTimes_.conversionSeconds = Seconds(start, converted);
  createTimes_.engineSeconds = Seconds(converted, executed);
  return static_cast<bool>(matches_);
}

Text RegexObject::GetPattern() {
  if (!engine_) return Text("");
  ScopedVariant value;
  caller_.Get(engine_.get(), "Pattern", AutomationArgs(), value.get());
  return TextFromVariant(*value.get());
}

Text RegexObject::Replace(const Text& replacement) {
  // Without its terminator, so that each replacement is not followed by a
  // U+0000 that would end the converted result after the first one.
  ScopedVariant with;
  {
    Bytes utf16 = GbkToUnicodeEx(replacement, /*dropTerminator=*/true);
    VariantFromBytes(utf16, with.get());
  }
  ScopedVariant result;
  AutomationArgs args;
  args.Variant(*subject_.get()).Variant(*with.get());
  if (!caller_.Call(engine_.get(), "Replace", args, result.get())) return Text("");
  return UnicodeToGbk(BytesFromVariant(*result.get()));
}

int RegexObject::GetMatchCount() {
  ScopedVariant count;
  caller_.Get(matches_.get(), "Count", AutomationArgs(), count.get());
  return IntegerFromVariant(*count.get());
}

ComPtr<IDispatch> RegexObject::Match(int match) {
  ScopedVariant item;
  AutomationArgs args;
  args.Double(static_cast<double>(match) - 1);
  if (!caller_.Get(matches_.get(), "Item", args, item.get())) return ComPtr<IDispatch>();
  return ObjectFromVariant(*item.get());
}

ComPtr<IDispatch> RegexObject::SubMatchesOf(int match) {
  if (subMatches_ && subMatchesOf_ == match) return subMatches_;
  subMatches_.reset();
  subMatchesOf_ = 0;
  ComPtr<IDispatch> m = Match(match);
  if (!m) return ComPtr<IDispatch>();
  ScopedVariant groups;
  if (!caller_.Get(m.get(), "SubMatches", AutomationArgs(), groups.get())) {
    return ComPtr<IDispatch>();
  }
  subMatches_ = ObjectFromVariant(*groups.get());
  if (subMatches_) subMatchesOf_ = match;
  return subMatches_;
}

Text RegexObject::GetMatchText(int match, int* position) {
  ComPtr<IDispatch> m = Match(match);
  Text text("");
  if (m) {
    ScopedVariant value;
    caller_.Get(m.get(), "Value", AutomationArgs(), value.get());
    text = UnicodeToGbk(BytesFromVariant(*value.get()));
  }
  if (position) *position = m ? FindInSubject(m.get(), text) : -2;
  return text;
}

Text RegexObject::GetSubMatchText(int match, int group, int* position) {
  ComPtr<IDispatch> groups = SubMatchesOf(match);
  Text text("");
  bool found = false;
  if (groups) {
    ScopedVariant value;
    AutomationArgs args;
    args.Double(static_cast<double>(group) - 1);
    found = caller_.Get(groups.get(), "Item", args, value.get());
    if (found) text = TextFromVariant(*value.get());
  }
  if (position) {
    ComPtr<IDispatch> m = found ? Match(match) : ComPtr<IDispatch>();
    *position = m ? FindInSubject(m.get(), text) : -2;
  }
  return text;
}

int RegexObject::GetSubMatchCount() {
  ScopedVariant first;
  AutomationArgs index;
  index.Int(0);
  if (!caller_.Get(matches_.get(), "Item", index, first.get())) return 0;
  ComPtr<IDispatch> m = ObjectFromVariant(*first.get());
  ScopedVariant groups;
  caller_.Get(m.get(), "SubMatches", AutomationArgs(), groups.get());
  ComPtr<IDispatch> g = ObjectFromVariant(*groups.get());
  ScopedVariant count;
  caller_.Get(g.get(), "Count", AutomationArgs(), count.get());
  return IntegerFromVariant(*count.get());
}

// The 0-based byte offset in the code-page-936 subject of the first
// occurrence of `searched` at or after the start of `match`, or -2.
//
// "FirstIndex" counts UTF-16 units; the byte offset of the match is the
// length in code page 936 of the subject's first FirstIndex units. The
// search starts there, on a character boundary, and steps one character at
// a time (a byte of 0x80 or above and the byte after it are one character),
// comparing bytes exactly.
int RegexObject::FindInSubject(IDispatch* match, const Text& searched) {
  const Bytes utf16 = BytesFromVariant(*subject_.get());
  const Text subject = UnicodeToGbk(utf16);

  ScopedVariant index;
  caller_.Get(match, "FirstIndex", AutomationArgs(), index.get());
  int first = IntegerFromVariant(*index.get());
  const int units = static_cast<int>(utf16.size() / 2);
  if (first < 0) first = 0;
  if (first > units) first = units;
  const size_t start =
      first == 0 ? 0 : UnicodeToGbk(Bytes(utf16.begin(), utf16.begin() + 2 * first)).Length();

  const std::string& s = subject.Str();
  const std::string& want = searched.Str();
  if (want.empty()) return start <= s.size() ? static_cast<int>(start) : -2;
  for (size_t i = start; i + want.size() <= s.size();) {
    if (std::memcmp(s.data() + i, want.data(), want.size()) == 0) return static_cast<int>(i);
    i += static_cast<unsigned char>(s[i]) >= 0x80 ? 2 : 1;
  }
  return -2;
}
