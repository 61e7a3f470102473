#include "extract/builtin_regex/builtin_regexp.h"

#include <oleauto.h>

#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <string>

#include "common/scoped.h"
#include "extract/builtin_regex/regex_engine.h"

namespace {

using builtin_regex::CompiledPattern;
using builtin_regex::MatchList;
using builtin_regex::Status;

// The platform object's run-time errors, as the scode of its exceptions.
constexpr SCODE kInvalidProcedureCall = static_cast<SCODE>(0x800A0005);  // index out of range
constexpr SCODE kOutOfStackSpace = static_cast<SCODE>(0x800A001C);       // limits reached
constexpr SCODE kRegexSyntaxError = static_cast<SCODE>(0x800A1399);      // invalid pattern

// Member ids; the default member of a collection is "Item", of a match
// "Value".
enum : DISPID {
  kPattern = 10001,
  kIgnoreCase,
  kGlobal,
  kExecute,
  kReplace,
  kTest,
  kMultiline,
  kFirstIndex = 10001,
  kLength,
  kSubMatches,
  kCount = 1,
};

struct Member {
  const wchar_t* name;
  DISPID id;
};

constexpr Member kRegExpMembers[] = {
    {L"Pattern", kPattern}, {L"IgnoreCase", kIgnoreCase}, {L"Global", kGlobal},
    {L"Execute", kExecute}, {L"Replace", kReplace},       {L"Test", kTest},
    {L"Multiline", kMultiline},
};
constexpr Member kMatchMembers[] = {
    {L"Value", DISPID_VALUE}, {L"FirstIndex", kFirstIndex}, {L"Length", kLength},
    {L"SubMatches", kSubMatches},
};
constexpr Member kCollectionMembers[] = {
    {L"Item", DISPID_VALUE}, {L"Count", kCount}, {L"_NewEnum", DISPID_NEWENUM},
};

// Automation names are matched without regard to ASCII letter case.
bool SameName(const wchar_t* a, const wchar_t* b) {
  for (;; ++a, ++b) {
    wchar_t x = *a, y = *b;
    if (x >= L'A' && x <= L'Z') x = static_cast<wchar_t>(x - L'A' + L'a');
    if (y >= L'A' && y <= L'Z') y = static_cast<wchar_t>(y - L'A' + L'a');
    if (x != y) return false;
    if (x == 0) return true;
  }
}

HRESULT Raise(EXCEPINFO* excep, SCODE scode, const wchar_t* description) {
  if (excep) {
    std::memset(excep, 0, sizeof(*excep));
    excep->scode = scode;
    excep->bstrSource = SysAllocString(L"RegExp");
    excep->bstrDescription = SysAllocString(description);
  }
  return DISP_E_EXCEPTION;
}

HRESULT RaiseStatus(EXCEPINFO* excep, Status status) {
  switch (status) {
    case Status::kOk: return S_OK;
    case Status::kInvalidPattern: return Raise(excep, kRegexSyntaxError, L"Syntax error in regular expression");
    case Status::kTooComplex: return Raise(excep, kOutOfStackSpace, L"Out of stack space");
    case Status::kOutOfMemory: return E_OUTOFMEMORY;
  }
  return E_UNEXPECTED;
}

// A VARIANT argument as a string, converted as the platform converts it.
// A byte array becomes the string whose bytes it holds (two bytes a code
// unit), which is what VariantChangeType to VT_BSTR does on Windows; it is
// done here directly so that the result does not depend on how far the
// running system's conversion goes.
HRESULT ArgumentToString(const VARIANT* in, std::u16string* out) {
  ScopedVariant direct;
  const VARIANT* v = in;
  if (V_VT(in) & VT_BYREF) {
    HRESULT hr = VariantCopyInd(direct.put(), const_cast<VARIANT*>(in));
    if (FAILED(hr)) return hr;
    v = direct.get();
  }
  if (V_VT(v) == VT_BSTR) {
    BSTR s = V_BSTR(v);
    out->assign(reinterpret_cast<const char16_t*>(s), SysStringLen(s));
    return S_OK;
  }
  if (V_VT(v) == (VT_ARRAY | VT_UI1) && V_ARRAY(v) && SafeArrayGetDim(V_ARRAY(v)) == 1) {
    SAFEARRAY* array = V_ARRAY(v);
    LONG lower = 0, upper = -1;
    if (FAILED(SafeArrayGetLBound(array, 1, &lower)) || FAILED(SafeArrayGetUBound(array, 1, &upper))) {
      return DISP_E_TYPEMISMATCH;
    }
    size_t bytes = upper >= lower ? static_cast<size_t>(upper - lower) + 1 : 0;
    void* data = nullptr;
    if (FAILED(SafeArrayAccessData(array, &data))) return DISP_E_TYPEMISMATCH;
    // An odd last byte is no whole code unit; the string's length in units
    // leaves it out.
    out->resize(bytes / 2);
    if (bytes >= 2) std::memcpy(&(*out)[0], data, (bytes / 2) * 2);
    SafeArrayUnaccessData(array);
    return S_OK;
  }
  ScopedVariant converted;
  HRESULT hr = VariantChangeType(converted.put(), const_cast<VARIANT*>(v), 0, VT_BSTR);
  if (FAILED(hr)) return hr;
  BSTR s = V_BSTR(converted.get());
  out->assign(reinterpret_cast<const char16_t*>(s), SysStringLen(s));
  return S_OK;
}

HRESULT ArgumentTo(const VARIANT* in, VARTYPE type, VARIANT* out) {
  return VariantChangeType(out, const_cast<VARIANT*>(in), 0, type);
}

HRESULT ReturnString(std::u16string_view s, VARIANT* result) {
  if (!result) return S_OK;
  BSTR b = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(s.data()), static_cast<UINT>(s.size()));
  if (!b) return E_OUTOFMEMORY;
  V_VT(result) = VT_BSTR;
  V_BSTR(result) = b;
  return S_OK;
}

HRESULT ReturnBool(bool value, VARIANT* result) {
  if (!result) return S_OK;
  V_VT(result) = VT_BOOL;
  V_BOOL(result) = value ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}

HRESULT ReturnLong(LONG value, VARIANT* result) {
  if (!result) return S_OK;
  V_VT(result) = VT_I4;
  V_I4(result) = value;
  return S_OK;
}

// Hands the reference that `object` carries to the caller's result (or
// drops it when the caller wants none).
HRESULT ReturnObject(IDispatch* object, VARIANT* result) {
  if (!object) return E_OUTOFMEMORY;
  if (!result) {
    object->Release();
    return S_OK;
  }
  V_VT(result) = VT_DISPATCH;
  V_DISPATCH(result) = object;
  return S_OK;
}

// How a call reaches a member, decoded once from Invoke's flags and named
// arguments.
struct Call {
  enum Kind { kGet, kPut } kind = kGet;
  UINT count = 0;  // positional arguments
  const DISPPARAMS* params = nullptr;

  // Positional argument i, counted from the first.
  const VARIANT* Arg(UINT i) const { return &params->rgvarg[params->cArgs - 1 - i]; }
  // The value of a property write (the named DISPID_PROPERTYPUT argument).
  const VARIANT* Value() const { return &params->rgvarg[0]; }
};

HRESULT DecodeCall(WORD flags, const DISPPARAMS* params, Call* call) {
  static const DISPPARAMS kNone = {nullptr, nullptr, 0, 0};
  call->params = params ? params : &kNone;
  UINT named = call->params->cNamedArgs;
  if (named > call->params->cArgs) return E_INVALIDARG;
  if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
    if (named != 1 || call->params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT) return DISP_E_PARAMNOTOPTIONAL;
    call->kind = Call::kPut;
  } else if (flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) {
    if (named != 0) return DISP_E_NONAMEDARGS;
    call->kind = Call::kGet;
  } else {
    return DISP_E_MEMBERNOTFOUND;
  }
  call->count = call->params->cArgs - named;
  return S_OK;
}

// IUnknown and IDispatch over a table of member names; each object answers
// its members in InvokeMember. Nothing thrown inside gets out of Invoke.
class DispatchObject : public IDispatch {
 public:
  DispatchObject(const Member* members, size_t count) : members_(members), memberCount_(count) {}
  DispatchObject(const DispatchObject&) = delete;
  DispatchObject& operator=(const DispatchObject&) = delete;

  STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch)) {
      *out = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
  STDMETHODIMP_(ULONG) Release() override {
    LONG left = InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** out) override {
    if (out) *out = nullptr;
    return DISP_E_BADINDEX;
  }
  STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    if (!names || !ids) return E_POINTER;
    if (count == 0) return S_OK;
    HRESULT hr = S_OK;
    ids[0] = DISPID_UNKNOWN;
    for (size_t m = 0; m < memberCount_ && names[0]; ++m) {
      if (SameName(names[0], members_[m].name)) ids[0] = members_[m].id;
    }
    if (ids[0] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
    // No member takes named arguments.
    for (UINT i = 1; i < count; ++i) {
      ids[i] = DISPID_UNKNOWN;
      hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
  }
  STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                      EXCEPINFO* excep, UINT* argError) override {
    if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    try {
      Call call;
      HRESULT hr = DecodeCall(flags, params, &call);
      if (FAILED(hr)) return hr;
      if (result) VariantInit(result);
      UINT badArgument = 0;
      hr = InvokeMember(id, call, result, excep, &badArgument);
      if (hr == DISP_E_TYPEMISMATCH && argError) *argError = badArgument;
      return hr;
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    } catch (...) {
      return E_UNEXPECTED;
    }
  }

 protected:
  virtual ~DispatchObject() = default;
  // `badArgument` receives the index of an argument that does not convert.
  virtual HRESULT InvokeMember(DISPID id, const Call& call, VARIANT* result, EXCEPINFO* excep,
                               UINT* badArgument) = 0;

 private:
  const Member* members_;
  size_t memberCount_;
  LONG refs_ = 1;
};

// What one "Execute" found, shared by the collection, its matches and their
// sub-match collections.
struct SearchResult {
  std::u16string subject;
  MatchList matches;
};

// The "_NewEnum" enumerator of a collection: each item as "Item" gives it.
class ItemEnumerator : public IEnumVARIANT {
 public:
  using ItemFn = std::function<HRESULT(ULONG, VARIANT*)>;
  ItemEnumerator(ULONG count, ItemFn item) : count_(count), item_(std::move(item)) {}
  ItemEnumerator(const ItemEnumerator&) = delete;
  ItemEnumerator& operator=(const ItemEnumerator&) = delete;

  STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IEnumVARIANT)) {
      *out = static_cast<IEnumVARIANT*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
  STDMETHODIMP_(ULONG) Release() override {
    LONG left = InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }
  STDMETHODIMP Next(ULONG wanted, VARIANT* items, ULONG* fetched) override {
    if (fetched) *fetched = 0;
    if (!items) return E_POINTER;
    try {
      ULONG n = 0;
      for (; n < wanted && next_ < count_; ++n, ++next_) {
        VariantInit(&items[n]);
        HRESULT hr = item_(next_, &items[n]);
        if (FAILED(hr)) {
          for (ULONG k = 0; k < n; ++k) VariantClear(&items[k]);
          return hr;
        }
      }
      if (fetched) *fetched = n;
      return n == wanted ? S_OK : S_FALSE;
    } catch (...) {
      return E_OUTOFMEMORY;
    }
  }
  STDMETHODIMP Skip(ULONG n) override {
    ULONG left = count_ - next_;
    next_ += n < left ? n : left;
    return n <= left ? S_OK : S_FALSE;
  }
  STDMETHODIMP Reset() override {
    next_ = 0;
    return S_OK;
  }
  STDMETHODIMP Clone(IEnumVARIANT** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    try {
      auto* copy = new ItemEnumerator(count_, item_);
      copy->next_ = next_;
      *out = copy;
      return S_OK;
    } catch (...) {
      return E_OUTOFMEMORY;
    }
  }

 private:
  virtual ~ItemEnumerator() = default;
  ULONG count_;
  ULONG next_ = 0;
  ItemFn item_;
  LONG refs_ = 1;
};

HRESULT ReturnEnumerator(ULONG count, ItemEnumerator::ItemFn item, VARIANT* result) {
  if (!result) return S_OK;
  V_VT(result) = VT_UNKNOWN;
  V_UNKNOWN(result) = new ItemEnumerator(count, std::move(item));
  return S_OK;
}

// The index argument of "Item": any number, converted as the platform does.
HRESULT ItemIndex(const Call& call, LONG* index, UINT* badArgument) {
  if (call.kind != Call::kGet) return DISP_E_MEMBERNOTFOUND;
  if (call.count != 1) return DISP_E_BADPARAMCOUNT;
  ScopedVariant converted;
  HRESULT hr = ArgumentTo(call.Arg(0), VT_I4, converted.put());
  if (FAILED(hr)) {
    *badArgument = 0;
    return DISP_E_TYPEMISMATCH;
  }
  *index = V_I4(converted.get());
  return S_OK;
}

HRESULT ReadOnlyGet(const Call& call) {
  if (call.kind != Call::kGet) return DISP_E_MEMBERNOTFOUND;
  return call.count == 0 ? S_OK : DISP_E_BADPARAMCOUNT;
}

class SubMatchCollection : public DispatchObject {
 public:
  SubMatchCollection(std::shared_ptr<const SearchResult> search, size_t match)
      : DispatchObject(kCollectionMembers, sizeof(kCollectionMembers) / sizeof(kCollectionMembers[0])),
        search_(std::move(search)),
        match_(match) {}

  // Group `index` (from 0 for group 1): its text, or Empty when it took no
  // part in the match.
  static HRESULT ItemOf(const SearchResult& search, size_t match, LONG index, VARIANT* out) {
    const MatchList& list = search.matches;
    uint32_t group = static_cast<uint32_t>(index) + 1;
    uint32_t start = list.Start(match, group);
    if (start == builtin_regex::kUnset) return S_OK;  // VT_EMPTY
    return ReturnString(std::u16string_view(search.subject).substr(start, list.End(match, group) - start), out);
  }

 protected:
  HRESULT InvokeMember(DISPID id, const Call& call, VARIANT* result, EXCEPINFO* excep,
                       UINT* badArgument) override {
    LONG count = static_cast<LONG>(search_->matches.GroupCount());
    switch (id) {
      case DISPID_VALUE: {
        LONG index = 0;
        HRESULT hr = ItemIndex(call, &index, badArgument);
        if (FAILED(hr)) return hr;
        if (index < 0 || index >= count) return Raise(excep, kInvalidProcedureCall, L"Invalid procedure call or argument");
        return ItemOf(*search_, match_, index, result);
      }
      case kCount: {
        HRESULT hr = ReadOnlyGet(call);
        return FAILED(hr) ? hr : ReturnLong(count, result);
      }
      case DISPID_NEWENUM: {
        HRESULT hr = ReadOnlyGet(call);
        if (FAILED(hr)) return hr;
        auto search = search_;
        size_t match = match_;
        return ReturnEnumerator(static_cast<ULONG>(count), [search, match](ULONG i, VARIANT* out) {
          return ItemOf(*search, match, static_cast<LONG>(i), out);
        }, result);
      }
      default:
        return DISP_E_MEMBERNOTFOUND;
    }
  }

 private:
  std::shared_ptr<const SearchResult> search_;
  size_t match_;
};

class MatchObject : public DispatchObject {
 public:
  MatchObject(std::shared_ptr<const SearchResult> search, size_t match)
      : DispatchObject(kMatchMembers, sizeof(kMatchMembers) / sizeof(kMatchMembers[0])),
        search_(std::move(search)),
        match_(match) {}

 protected:
  HRESULT InvokeMember(DISPID id, const Call& call, VARIANT* result, EXCEPINFO*, UINT*) override {
    if (id != DISPID_VALUE && id != kFirstIndex && id != kLength && id != kSubMatches) {
      return DISP_E_MEMBERNOTFOUND;
    }
    HRESULT hr = ReadOnlyGet(call);
    if (FAILED(hr)) return hr;
    const MatchList& list = search_->matches;
    uint32_t start = list.Start(match_), end = list.End(match_);
    switch (id) {
      case DISPID_VALUE:
        return ReturnString(std::u16string_view(search_->subject).substr(start, end - start), result);
      case kFirstIndex:
        return ReturnLong(static_cast<LONG>(start), result);
      case kLength:
        return ReturnLong(static_cast<LONG>(end - start), result);
      case kSubMatches:
        return ReturnObject(new SubMatchCollection(search_, match_), result);
      default:
        return DISP_E_MEMBERNOTFOUND;
    }
  }

 private:
  std::shared_ptr<const SearchResult> search_;
  size_t match_;
};

class MatchCollection : public DispatchObject {
 public:
  explicit MatchCollection(std::shared_ptr<const SearchResult> search)
      : DispatchObject(kCollectionMembers, sizeof(kCollectionMembers) / sizeof(kCollectionMembers[0])),
        search_(std::move(search)) {}

 protected:
  HRESULT InvokeMember(DISPID id, const Call& call, VARIANT* result, EXCEPINFO* excep,
                       UINT* badArgument) override {
    size_t count = search_->matches.Count();
    switch (id) {
      case DISPID_VALUE: {
        LONG index = 0;
        HRESULT hr = ItemIndex(call, &index, badArgument);
        if (FAILED(hr)) return hr;
        if (index < 0 || static_cast<size_t>(index) >= count) {
          return Raise(excep, kInvalidProcedureCall, L"Invalid procedure call or argument");
        }
        return ReturnObject(new MatchObject(search_, static_cast<size_t>(index)), result);
      }
      case kCount: {
        HRESULT hr = ReadOnlyGet(call);
        return FAILED(hr) ? hr : ReturnLong(static_cast<LONG>(count), result);
      }
      case DISPID_NEWENUM: {
        HRESULT hr = ReadOnlyGet(call);
        if (FAILED(hr)) return hr;
        auto search = search_;
        return ReturnEnumerator(static_cast<ULONG>(count), [search](ULONG i, VARIANT* out) {
          return ReturnObject(new MatchObject(search, i), out);
        }, result);
      }
      default:
        return DISP_E_MEMBERNOTFOUND;
    }
  }

 private:
  std::shared_ptr<const SearchResult> search_;
};

class RegExpObject : public DispatchObject {
 public:
  RegExpObject() : DispatchObject(kRegExpMembers, sizeof(kRegExpMembers) / sizeof(kRegExpMembers[0])) {}

 protected:
  HRESULT InvokeMember(DISPID id, const Call& call, VARIANT* result, EXCEPINFO* excep,
                       UINT* badArgument) override {
    switch (id) {
      case kPattern:
        if (call.kind == Call::kGet) {
          return call.count == 0 ? ReturnString(pattern_, result) : DISP_E_BADPARAMCOUNT;
        }
        if (call.count != 0) return DISP_E_BADPARAMCOUNT;
        return PutString(call.Value(), &pattern_, badArgument);
      case kIgnoreCase:
        return BoolProperty(call, &options_.ignoreCase, result, badArgument);
      case kMultiline:
        return BoolProperty(call, &options_.multiline, result, badArgument);
      case kGlobal:
        return BoolProperty(call, &global_, result, badArgument);
      case kExecute:
        return Execute(call, result, excep, badArgument);
      case kTest:
        return Test(call, result, excep, badArgument);
      case kReplace:
        return Replace(call, result, excep, badArgument);
      default:
        return DISP_E_MEMBERNOTFOUND;
    }
  }

 private:
  HRESULT PutString(const VARIANT* value, std::u16string* target, UINT* badArgument) {
    std::u16string s;
    if (FAILED(ArgumentToString(value, &s))) {
      *badArgument = 0;
      return DISP_E_TYPEMISMATCH;
    }
    *target = std::move(s);
    return S_OK;
  }

  HRESULT BoolProperty(const Call& call, bool* value, VARIANT* result, UINT* badArgument) {
    if (call.count != 0) return DISP_E_BADPARAMCOUNT;
    if (call.kind == Call::kGet) return ReturnBool(*value, result);
    ScopedVariant converted;
    if (FAILED(ArgumentTo(call.Value(), VT_BOOL, converted.put()))) {
      *badArgument = 0;
      return DISP_E_TYPEMISMATCH;
    }
    *value = V_BOOL(converted.get()) != VARIANT_FALSE;
    return S_OK;
  }

  // The pattern compiled with the current settings; compiled again only
  // when the pattern or a setting that changes its meaning has changed.
  Status Compiled(std::shared_ptr<const CompiledPattern>* out) {
    if (!compiled_ || compiledPattern_ != pattern_ || compiledOptions_.ignoreCase != options_.ignoreCase ||
        compiledOptions_.multiline != options_.multiline) {
      Status status = Status::kOk;
      compiled_ = builtin_regex::CompilePattern(pattern_, options_, &status);
      if (!compiled_) return status;
      compiledPattern_ = pattern_;
      compiledOptions_ = options_;
    }
    *out = compiled_;
    return Status::kOk;
  }

  // Reads the `needed` string arguments of a method call.
  HRESULT StringArguments(const Call& call, UINT needed, std::u16string* args, UINT* badArgument) {
    if (call.kind != Call::kGet) return DISP_E_MEMBERNOTFOUND;
    if (call.count != needed) return DISP_E_BADPARAMCOUNT;
    for (UINT i = 0; i < needed; ++i) {
      if (FAILED(ArgumentToString(call.Arg(i), &args[i]))) {
        *badArgument = call.params->cArgs - 1 - i;
        return DISP_E_TYPEMISMATCH;
      }
    }
    return S_OK;
  }

  HRESULT Execute(const Call& call, VARIANT* result, EXCEPINFO* excep, UINT* badArgument) {
    auto search = std::make_shared<SearchResult>();
    HRESULT hr = StringArguments(call, 1, &search->subject, badArgument);
    if (FAILED(hr)) return hr;
    std::shared_ptr<const CompiledPattern> pattern;
    Status status = Compiled(&pattern);
    if (status == Status::kOk) status = builtin_regex::FindMatches(*pattern, search->subject, global_, &search->matches);
    if (status != Status::kOk) return RaiseStatus(excep, status);
    return ReturnObject(new MatchCollection(std::move(search)), result);
  }

  HRESULT Test(const Call& call, VARIANT* result, EXCEPINFO* excep, UINT* badArgument) {
    std::u16string subject;
    HRESULT hr = StringArguments(call, 1, &subject, badArgument);
    if (FAILED(hr)) return hr;
    std::shared_ptr<const CompiledPattern> pattern;
    MatchList matches;
    Status status = Compiled(&pattern);
    if (status == Status::kOk) status = builtin_regex::FindMatches(*pattern, subject, false, &matches);
    if (status != Status::kOk) return RaiseStatus(excep, status);
    return ReturnBool(matches.Count() > 0, result);
  }

  HRESULT Replace(const Call& call, VARIANT* result, EXCEPINFO* excep, UINT* badArgument) {
    std::u16string args[2];
    HRESULT hr = StringArguments(call, 2, args, badArgument);
    if (FAILED(hr)) return hr;
    std::shared_ptr<const CompiledPattern> pattern;
    std::u16string replaced;
    Status status = Compiled(&pattern);
    if (status == Status::kOk) status = builtin_regex::ReplaceMatches(*pattern, args[0], args[1], global_, &replaced);
    if (status != Status::kOk) return RaiseStatus(excep, status);
    return ReturnString(replaced, result);
  }

  std::u16string pattern_;
  builtin_regex::Options options_;
  bool global_ = false;
  std::shared_ptr<const CompiledPattern> compiled_;
  std::u16string compiledPattern_;
  builtin_regex::Options compiledOptions_;
};

}  // namespace

HRESULT CreateBuiltinRegExp(IUnknown** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  RegExpObject* object = new (std::nothrow) RegExpObject();
  if (!object) return E_OUTOFMEMORY;
  *out = static_cast<IDispatch*>(object);  // takes the object's first reference
  return S_OK;
}
