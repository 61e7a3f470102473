#include "extract/automation.h"

#include <cmath>
#include <climits>
#include <cstring>
#include <cwchar>

namespace {

// Member names and texts in the system's ANSI code page, as UTF-16.
std::wstring WideFromAnsi(const char* s, int length = -1) {
  if (!s) return std::wstring();
  const int units = MultiByteToWideChar(CP_ACP, 0, s, length, nullptr, 0);
  if (units <= 0) return std::wstring();
  std::wstring wide(static_cast<size_t>(units), L'\0');
  MultiByteToWideChar(CP_ACP, 0, s, length, wide.data(), units);
  if (length < 0) wide.resize(static_cast<size_t>(units) - 1);  // the terminator
  return wide;
}

// Multi-byte text of `units` UTF-16 units in CP_ACP. One call is usually
// enough: two bytes a unit hold any double-byte code page; only a code page
// with longer sequences needs the measuring call.
Text AnsiFromWide(const wchar_t* s, size_t units) {
  if (units == 0) return Text("");
  const int n = static_cast<int>(units);
  // Group texts are mostly short: they are converted on the stack, so that
  // the Text is the only allocation.
  char small[512];
  if (units * 2 <= sizeof small) {
    const int got = WideCharToMultiByte(CP_ACP, 0, s, n, small, sizeof small, nullptr, nullptr);
    if (got > 0) return Text(std::string_view(small, static_cast<size_t>(got)));
  }
  std::string out(units * 2, '\0');
  int got = WideCharToMultiByte(CP_ACP, 0, s, n, out.data(), static_cast<int>(out.size()),
                                nullptr, nullptr);
  if (got <= 0 && GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
    const int need = WideCharToMultiByte(CP_ACP, 0, s, n, nullptr, 0, nullptr, nullptr);
    if (need <= 0) return Text("");
    out.assign(static_cast<size_t>(need), '\0');
    got = WideCharToMultiByte(CP_ACP, 0, s, n, out.data(), need, nullptr, nullptr);
  }
  if (got <= 0) return Text("");
  out.resize(static_cast<size_t>(got));
  return Text(std::string_view(out));
}

// EXCEPINFO owns up to three strings that Invoke fills on DISP_E_EXCEPTION.
class ScopedExcepInfo {
 public:
  ScopedExcepInfo() { std::memset(&info_, 0, sizeof info_); }
  ~ScopedExcepInfo() {
    SysFreeString(info_.bstrSource);
    SysFreeString(info_.bstrDescription);
    SysFreeString(info_.bstrHelpFile);
  }
  ScopedExcepInfo(const ScopedExcepInfo&) = delete;
  ScopedExcepInfo& operator=(const ScopedExcepInfo&) = delete;
  EXCEPINFO* get() { return &info_; }

 private:
  EXCEPINFO info_;
};

// A SAFEARRAY destroyed on scope exit unless handed over.
class ScopedSafeArray {
 public:
  explicit ScopedSafeArray(SAFEARRAY* a) : a_(a) {}
  ~ScopedSafeArray() { if (a_) SafeArrayDestroy(a_); }
  ScopedSafeArray(const ScopedSafeArray&) = delete;
  ScopedSafeArray& operator=(const ScopedSafeArray&) = delete;
  SAFEARRAY* get() const { return a_; }
  SAFEARRAY* release() { return std::exchange(a_, nullptr); }

 private:
  SAFEARRAY* a_;
};

// SafeArrayAccessData paired with SafeArrayUnaccessData.
class ScopedArrayAccess {
 public:
  explicit ScopedArrayAccess(SAFEARRAY* a) : a_(a) {
    if (FAILED(SafeArrayAccessData(a_, &data_))) data_ = nullptr;
  }
  ~ScopedArrayAccess() { if (data_) SafeArrayUnaccessData(a_); }
  ScopedArrayAccess(const ScopedArrayAccess&) = delete;
  ScopedArrayAccess& operator=(const ScopedArrayAccess&) = delete;
  void* data() const { return data_; }

 private:
  SAFEARRAY* a_;
  void* data_ = nullptr;
};

// The platform declares the source of a change as not const; it is only read.
HRESULT ChangeType(VARIANT* target, const VARIANT& source, VARTYPE type) {
  return VariantChangeType(target, const_cast<VARIANT*>(&source), 0, type);
}

const void* VtableOf(IDispatch* object) { return *reinterpret_cast<void* const*>(object); }

}  // namespace

bool CreateObjectByProgId(const char* progId, ComPtr<IUnknown>* target) {
  std::wstring name = WideFromAnsi(progId);
  CLSID clsid;
  if (FAILED(CLSIDFromProgID(name.c_str(), &clsid))) return false;
  ComPtr<IUnknown> created;
  if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_SERVER, IID_IUnknown, created.put_void()))) {
    return false;
  }
  if (!created || FAILED(OleRun(created.get()))) return false;  // `created` releases it
  *target = std::move(created);
  return true;
}

ComPtr<IDispatch> DispatchOf(IUnknown* object) {
  ComPtr<IDispatch> dispatch;
  if (object) object->QueryInterface(IID_IDispatch, dispatch.put_void());
  return dispatch;
}

// ---- AutomationArgs ----

AutomationArgs::~AutomationArgs() {
  for (size_t i = 0; i < count_; ++i) {
    if (owned_[i]) VariantClear(&values_[i]);
  }
}

VARIANT* AutomationArgs::Next() {
  if (count_ == kMaxArgs) {
    overflow_ = true;
    return nullptr;
  }
  VARIANT* v = &values_[count_++];
  VariantInit(v);
  return v;
}

AutomationArgs& AutomationArgs::Bool(bool value) {
  if (VARIANT* v = Next()) {
    v->vt = VT_BOOL;
    v->boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  }
  return *this;
}

AutomationArgs& AutomationArgs::Int(long value) {
  if (VARIANT* v = Next()) {
    v->vt = VT_I4;
    v->lVal = value;
  }
  return *this;
}

AutomationArgs& AutomationArgs::Double(double value) {
  if (VARIANT* v = Next()) {
    v->vt = VT_R8;
    v->dblVal = value;
  }
  return *this;
}

AutomationArgs& AutomationArgs::String(const Text& value) {
  if (VARIANT* v = Next()) {
    v->vt = VT_BSTR;
    v->bstrVal = nullptr;  // the absent text: a null string
    if (!value.IsAbsent()) {
      std::wstring wide = WideFromAnsi(value.CStr(), static_cast<int>(value.Length()));
      v->bstrVal = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    }
    owned_[count_ - 1] = true;
  }
  return *this;
}

AutomationArgs& AutomationArgs::Variant(const VARIANT& value) {
  // A shallow copy: Invoke never takes ownership of its in-arguments, and the
  // caller keeps `value` alive for the call.
  if (VARIANT* v = Next()) *v = value;
  return *this;
}

// ---- AutomationCaller ----

bool AutomationCaller::FindId(IDispatch* object, const char* name, DISPID* id) {
  const void* vtable = VtableOf(object);
  for (const Entry& e : ids_) {
    if (e.vtable == vtable && e.name == name) {
      *id = e.id;
      return true;
    }
  }
  std::wstring wide = WideFromAnsi(name);
  LPOLESTR names[] = {wide.data()};
  DISPID found = DISPID_UNKNOWN;
  if (FAILED(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &found))) return false;
  ids_.push_back(Entry{vtable, name, found});
  *id = found;
  return true;
}

bool AutomationCaller::Invoke(IDispatch* object, const char* name, WORD flags,
                              const AutomationArgs& args, VARIANT* result) {
  if (result) VariantClear(result);
  if (!object || args.overflow_) return false;
  DISPID id;
  if (!FindId(object, name, &id)) return false;

  // Invoke takes its arguments last one first.
  VARIANTARG reversed[AutomationArgs::kMaxArgs];
  const size_t n = args.count();
  for (size_t i = 0; i < n; ++i) reversed[i] = args.data()[n - 1 - i];
  DISPID putId = DISPID_PROPERTYPUT;
  DISPPARAMS params{};
  params.rgvarg = n ? reversed : nullptr;
  params.cArgs = static_cast<UINT>(n);
  if (flags & DISPATCH_PROPERTYPUT) {
    params.rgdispidNamedArgs = &putId;
    params.cNamedArgs = 1;
  }
  ScopedExcepInfo exception;
  UINT badArg = 0;
  ScopedVariant out;
  HRESULT hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                              result ? out.get() : nullptr, exception.get(), &badArg);
  if (FAILED(hr)) return false;
  if (result) {
    // Hand the value over; `out` is left VT_EMPTY.
    *result = *out.get();
    VariantInit(out.get());
  }
  return true;
}

bool AutomationCaller::Put(IDispatch* object, const char* name, const VARIANT& value) {
  AutomationArgs args;
  args.Variant(value);
  return Invoke(object, name, DISPATCH_PROPERTYPUT, args, nullptr);
}

bool AutomationCaller::PutBool(IDispatch* object, const char* name, bool value) {
  AutomationArgs args;
  args.Bool(value);
  return Invoke(object, name, DISPATCH_PROPERTYPUT, args, nullptr);
}

bool AutomationCaller::PutString(IDispatch* object, const char* name, const Text& value) {
  AutomationArgs args;
  args.String(value);
  return Invoke(object, name, DISPATCH_PROPERTYPUT, args, nullptr);
}

bool AutomationCaller::Get(IDispatch* object, const char* name, const AutomationArgs& args,
                           VARIANT* result) {
  return Invoke(object, name, DISPATCH_PROPERTYGET, args, result);
}

bool AutomationCaller::Call(IDispatch* object, const char* name, const AutomationArgs& args,
                            VARIANT* result) {
  return Invoke(object, name, DISPATCH_METHOD, args, result);
}

// ---- Results ----

double NumberFromVariant(const VARIANT& value) {
  if (value.vt == VT_R8) return value.dblVal;
  ScopedVariant number;
  if (FAILED(ChangeType(number.get(), value, VT_R8))) return 0;
  return number->dblVal;
}

int IntegerFromVariant(const VARIANT& value) {
  const double d = NumberFromVariant(value);
  // Truncated toward zero; what no int can hold counts as nothing.
  if (!(d > static_cast<double>(INT_MIN) - 1 && d < static_cast<double>(INT_MAX) + 1)) return 0;
  return static_cast<int>(d);
}

Text TextFromVariant(const VARIANT& value) {
  const VARIANT* source = &value;
  ScopedVariant changed;
  if (value.vt != VT_BSTR) {
    if (FAILED(ChangeType(changed.get(), value, VT_BSTR))) return Text("");
    source = changed.get();
  }
  const BSTR s = source->bstrVal;
  if (!s) return Text("");
  const size_t units = wcsnlen(s, SysStringLen(s));  // cut at the first U+0000
  return AnsiFromWide(s, units);
}

ComPtr<IDispatch> ObjectFromVariant(const VARIANT& value) {
  if (value.vt == VT_DISPATCH) {
    IDispatch* d = value.pdispVal;
    if (d) d->AddRef();
    return ComPtr<IDispatch>(d);
  }
  ScopedVariant unknown;
  if (FAILED(ChangeType(unknown.get(), value, VT_UNKNOWN))) return ComPtr<IDispatch>();
  return DispatchOf(unknown->punkVal);
}

bool VariantFromBytes(const Bytes& bytes, VARIANT* target) {
  VariantClear(target);
  SAFEARRAYBOUND bound;
  bound.lLbound = 1;
  bound.cElements = static_cast<ULONG>(bytes.size());
  ScopedSafeArray array(SafeArrayCreate(VT_UI1, 1, &bound));
  if (!array.get()) return false;
  if (!bytes.empty()) {
    ScopedArrayAccess access(array.get());
    if (!access.data()) return false;
    std::memcpy(access.data(), bytes.data(), bytes.size());
  }
  target->vt = VT_ARRAY | VT_UI1;
  target->parray = array.release();  // the VARIANT owns the array now
  return true;
}

namespace {

Bytes BytesOfArray(SAFEARRAY* array) {
  if (!array || SafeArrayGetDim(array) != 1) return Bytes();
  LONG lower = 0, upper = -1;
  if (FAILED(SafeArrayGetLBound(array, 1, &lower)) ||
      FAILED(SafeArrayGetUBound(array, 1, &upper)) || upper < lower) {
    return Bytes();
  }
  const size_t count = static_cast<size_t>(upper - lower) + 1;
  ScopedArrayAccess access(array);
  if (!access.data()) return Bytes();
  const auto* first = static_cast<const uint8_t*>(access.data());
  return Bytes(first, first + count);
}

}  // namespace

Bytes BytesFromVariant(const VARIANT& value) {
  if (value.vt == (VT_ARRAY | VT_UI1)) return BytesOfArray(value.parray);
  if (value.vt == VT_BSTR) {
    // What the change to a byte array gives for a string: its UTF-16 bytes
    // without terminator, taken here without the intermediate array.
    const auto* first = reinterpret_cast<const uint8_t*>(value.bstrVal);
    return first ? Bytes(first, first + SysStringByteLen(value.bstrVal)) : Bytes();
  }
  ScopedVariant array;
  if (FAILED(ChangeType(array.get(), value, VT_ARRAY | VT_UI1))) return Bytes();
  if (array->vt != (VT_ARRAY | VT_UI1)) return Bytes();
  return BytesOfArray(array->parray);
}
