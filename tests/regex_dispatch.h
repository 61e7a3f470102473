// Calls on a regular-expression automation object by member name, for the
// tests of the built-in engine and of the platform's: every call looks its
// name up with GetIDsOfNames and goes through IDispatch::Invoke, as the
// program's RegexObject does.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>
#include <vector>

#include "common/scoped.h"

namespace regex_dispatch {

// A VARIANT argument or result, owned.
class Value {
 public:
  Value() { VariantInit(&v_); }
  ~Value() { VariantClear(&v_); }
  Value(const Value& o) { VariantInit(&v_); VariantCopy(&v_, const_cast<VARIANT*>(&o.v_)); }
  Value& operator=(const Value& o) {
    if (this != &o) VariantCopy(&v_, const_cast<VARIANT*>(&o.v_));
    return *this;
  }

  static Value String(const std::wstring& s) {
    Value r;
    V_VT(&r.v_) = VT_BSTR;
    V_BSTR(&r.v_) = SysAllocStringLen(s.data(), static_cast<UINT>(s.size()));
    return r;
  }
  static Value Bool(bool b) {
    Value r;
    V_VT(&r.v_) = VT_BOOL;
    V_BOOL(&r.v_) = b ? VARIANT_TRUE : VARIANT_FALSE;
    return r;
  }
  static Value Long(LONG n) {
    Value r;
    V_VT(&r.v_) = VT_I4;
    V_I4(&r.v_) = n;
    return r;
  }
  static Value Double(double d) {
    Value r;
    V_VT(&r.v_) = VT_R8;
    V_R8(&r.v_) = d;
    return r;
  }
  // A one-dimensional byte array with lower bound 1, as the program passes
  // its subject.
  static Value ByteArray(const std::vector<unsigned char>& bytes) {
    Value r;
    SAFEARRAYBOUND bound = {static_cast<ULONG>(bytes.size()), 1};
    SAFEARRAY* a = SafeArrayCreate(VT_UI1, 1, &bound);
    void* data = nullptr;
    SafeArrayAccessData(a, &data);
    if (!bytes.empty()) memcpy(data, bytes.data(), bytes.size());
    SafeArrayUnaccessData(a);
    V_VT(&r.v_) = VT_ARRAY | VT_UI1;
    V_ARRAY(&r.v_) = a;
    return r;
  }

  VARIANT* get() { return &v_; }
  const VARIANT* get() const { return &v_; }
  VARTYPE type() const { return V_VT(&v_); }
  // The value as a string (VT_BSTR kept with its embedded zeros).
  std::wstring Str() const {
    if (V_VT(&v_) == VT_BSTR) return std::wstring(V_BSTR(&v_), SysStringLen(V_BSTR(&v_)));
    VARIANT t;
    VariantInit(&t);
    std::wstring s;
    if (SUCCEEDED(VariantChangeType(&t, const_cast<VARIANT*>(&v_), 0, VT_BSTR))) {
      s.assign(V_BSTR(&t), SysStringLen(V_BSTR(&t)));
    }
    VariantClear(&t);
    return s;
  }
  LONG Long() const {
    VARIANT t;
    VariantInit(&t);
    LONG n = -1;
    if (SUCCEEDED(VariantChangeType(&t, const_cast<VARIANT*>(&v_), 0, VT_I4))) n = V_I4(&t);
    return n;
  }
  ComPtr<IDispatch> Object() const {
    ComPtr<IDispatch> d;
    if (V_VT(&v_) == VT_DISPATCH && V_DISPATCH(&v_)) {
      V_DISPATCH(&v_)->QueryInterface(IID_IDispatch, d.put_void());
    }
    return d;
  }

 private:
  VARIANT v_;
};

inline HRESULT IdOf(IDispatch* object, const wchar_t* name, DISPID* id) {
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  return object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, id);
}

// Reads a property or calls a method; arguments in their natural order.
inline HRESULT Get(IDispatch* object, const wchar_t* name, const std::vector<Value>& args, Value* result,
                   WORD flags = DISPATCH_METHOD | DISPATCH_PROPERTYGET) {
  DISPID id = 0;
  HRESULT hr = IdOf(object, name, &id);
  if (FAILED(hr)) return hr;
  std::vector<VARIANT> reversed(args.size());
  for (size_t i = 0; i < args.size(); ++i) reversed[args.size() - 1 - i] = *args[i].get();
  DISPPARAMS params = {reversed.empty() ? nullptr : reversed.data(), nullptr,
                       static_cast<UINT>(reversed.size()), 0};
  EXCEPINFO excep = {};
  Value out;
  hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, out.get(), &excep, nullptr);
  SysFreeString(excep.bstrSource);
  SysFreeString(excep.bstrDescription);
  SysFreeString(excep.bstrHelpFile);
  if (result) *result = out;
  return hr;
}

inline HRESULT Get(IDispatch* object, const wchar_t* name, Value* result) {
  return Get(object, name, {}, result);
}

inline HRESULT Put(IDispatch* object, const wchar_t* name, const Value& value) {
  DISPID id = 0;
  HRESULT hr = IdOf(object, name, &id);
  if (FAILED(hr)) return hr;
  VARIANT arg = *value.get();
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS params = {&arg, &named, 1, 1};
  EXCEPINFO excep = {};
  hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params, nullptr, &excep, nullptr);
  SysFreeString(excep.bstrSource);
  SysFreeString(excep.bstrDescription);
  SysFreeString(excep.bstrHelpFile);
  return hr;
}

// One match as the tests compare it.
struct Match {
  LONG firstIndex = -1;
  std::wstring value;
  std::vector<Value> groups;
};

// Sets the pattern and flags and runs "Execute"; false when it fails.
inline bool Execute(IDispatch* engine, const std::wstring& pattern, bool ignoreCase, bool multiline, bool global,
                    const Value& subject, std::vector<Match>* matches, HRESULT* failure = nullptr) {
  matches->clear();
  Put(engine, L"IgnoreCase", Value::Bool(ignoreCase));
  Put(engine, L"Multiline", Value::Bool(multiline));
  Put(engine, L"Global", Value::Bool(global));
  Put(engine, L"Pattern", Value::String(pattern));
  Value collection;
  HRESULT hr = Get(engine, L"Execute", {subject}, &collection);
  if (failure) *failure = hr;
  if (FAILED(hr)) return false;
  ComPtr<IDispatch> list = collection.Object();
  if (!list) return false;
  Value count;
  if (FAILED(Get(list.get(), L"Count", &count))) return false;
  for (LONG i = 0; i < count.Long(); ++i) {
    Value item;
    if (FAILED(Get(list.get(), L"Item", {Value::Double(i)}, &item))) return false;
    ComPtr<IDispatch> match = item.Object();
    if (!match) return false;
    Match m;
    Value v, first, subs, subCount;
    Get(match.get(), L"Value", &v);
    Get(match.get(), L"FirstIndex", &first);
    m.value = v.Str();
    m.firstIndex = first.Long();
    if (FAILED(Get(match.get(), L"SubMatches", &subs))) return false;
    ComPtr<IDispatch> groups = subs.Object();
    if (!groups || FAILED(Get(groups.get(), L"Count", &subCount))) return false;
    for (LONG g = 0; g < subCount.Long(); ++g) {
      Value group;
      if (FAILED(Get(groups.get(), L"Item", {Value::Long(g)}, &group))) return false;
      m.groups.push_back(group);
    }
    matches->push_back(std::move(m));
  }
  return true;
}

// Code units written as the conformance table writes them: printable ASCII
// as itself, everything else as %uXXXX.
inline std::string Escape(const std::wstring& s) {
  std::string out;
  char buf[8];
  for (wchar_t c : s) {
    if (c >= 0x20 && c < 0x7F && c != L'%') {
      out.push_back(static_cast<char>(c));
    } else {
      snprintf(buf, sizeof buf, "%%u%04X", static_cast<unsigned>(c));
      out += buf;
    }
  }
  return out;
}

inline std::wstring Unescape(const std::string& s) {
  std::wstring out;
  for (size_t i = 0; i < s.size();) {
    if (s[i] == '%' && i + 6 <= s.size() && s[i + 1] == 'u') {
      out.push_back(static_cast<wchar_t>(std::stoul(s.substr(i + 2, 4), nullptr, 16)));
      i += 6;
    } else {
      out.push_back(static_cast<unsigned char>(s[i++]));
    }
  }
  return out;
}

// The matches in the conformance table's notation:
// FirstIndex:"Value"["group",EMPTY] separated by spaces; "none" for none.
inline std::string Describe(const std::vector<Match>& matches) {
  if (matches.empty()) return "none";
  std::string out;
  for (const Match& m : matches) {
    if (!out.empty()) out += " ";
    out += std::to_string(m.firstIndex) + ":\"" + Escape(m.value) + "\"";
    if (m.groups.empty()) continue;
    out += "[";
    for (size_t g = 0; g < m.groups.size(); ++g) {
      if (g) out += ",";
      out += m.groups[g].type() == VT_EMPTY ? "EMPTY" : "\"" + Escape(m.groups[g].Str()) + "\"";
    }
    out += "]";
  }
  return out;
}

}  // namespace regex_dispatch
