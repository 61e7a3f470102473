// Figures of the regular-expression engines as the program drives them:
// "Execute" by member name over a large subject passed as a byte array, then
// group 1 of every match read through Item -> SubMatches -> Item; and how long
// the built-in engine takes to give up on markers that backtrack without end.
// Prints figures; never fails.
#include <windows.h>
#include <oleauto.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/scoped.h"
#include "extract/builtin_regex/builtin_regexp.h"

namespace {

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Calls by name, the DISPID looked up on every call as the program does.
HRESULT Invoke(IDispatch* object, const wchar_t* name, WORD flags, VARIANT* args, UINT count, VARIANT* result) {
  DISPID id;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(hr)) return hr;
  DISPID put = DISPID_PROPERTYPUT;
  DISPPARAMS params = {args, flags == DISPATCH_PROPERTYPUT ? &put : nullptr, count,
                       flags == DISPATCH_PROPERTYPUT ? 1u : 0u};
  EXCEPINFO excep = {};
  hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, &excep, nullptr);
  SysFreeString(excep.bstrSource);
  SysFreeString(excep.bstrDescription);
  SysFreeString(excep.bstrHelpFile);
  return hr;
}

void PutBool(IDispatch* object, const wchar_t* name, bool value) {
  VARIANT v;
  V_VT(&v) = VT_BOOL;
  V_BOOL(&v) = value ? VARIANT_TRUE : VARIANT_FALSE;
  Invoke(object, name, DISPATCH_PROPERTYPUT, &v, 1, nullptr);
}

void PutString(IDispatch* object, const wchar_t* name, const wchar_t* value) {
  VARIANT v;
  V_VT(&v) = VT_BSTR;
  V_BSTR(&v) = SysAllocString(value);
  Invoke(object, name, DISPATCH_PROPERTYPUT, &v, 1, nullptr);
  VariantClear(&v);
}

ComPtr<IDispatch> GetObject(IDispatch* object, const wchar_t* name, VARIANT* args = nullptr, UINT count = 0) {
  ScopedVariant result;
  if (FAILED(Invoke(object, name, DISPATCH_METHOD | DISPATCH_PROPERTYGET, args, count, result.get())) ||
      V_VT(result.get()) != VT_DISPATCH) {
    return ComPtr<IDispatch>();
  }
  IDispatch* d = V_DISPATCH(result.get());
  d->AddRef();
  return ComPtr<IDispatch>(d);
}

LONG GetLong(IDispatch* object, const wchar_t* name) {
  ScopedVariant result;
  if (FAILED(Invoke(object, name, DISPATCH_PROPERTYGET, nullptr, 0, result.get()))) return -1;
  ScopedVariant n;
  if (FAILED(VariantChangeType(n.get(), result.get(), 0, VT_I4))) return -1;
  return V_I4(n.get());
}

// The subject as the program passes it: UTF-16 bytes and the terminating
// zero unit in a byte array with lower bound 1.
void SubjectVariant(const std::wstring& text, VARIANT* out) {
  size_t bytes = (text.size() + 1) * 2;
  SAFEARRAYBOUND bound = {static_cast<ULONG>(bytes), 1};
  SAFEARRAY* array = SafeArrayCreate(VT_UI1, 1, &bound);
  void* data = nullptr;
  SafeArrayAccessData(array, &data);
  std::memcpy(data, text.c_str(), bytes);
  SafeArrayUnaccessData(array);
  VariantInit(out);
  V_VT(out) = VT_ARRAY | VT_UI1;
  V_ARRAY(out) = array;
}

struct Run {
  bool executed = false;
  LONG count = 0;
  double executeSeconds = 0, groupsSeconds = 0;
};

Run Measure(IDispatch* engine, const wchar_t* pattern, const std::wstring& subject, bool readGroups) {
  Run run;
  PutBool(engine, L"IgnoreCase", true);
  PutBool(engine, L"Multiline", true);
  PutBool(engine, L"Global", true);
  PutString(engine, L"Pattern", pattern);
  ScopedVariant text;
  SubjectVariant(subject, text.get());
  auto start = Clock::now();
  ComPtr<IDispatch> matches = GetObject(engine, L"Execute", text.get(), 1);
  run.executeSeconds = Since(start);
  if (!matches) return run;
  run.executed = true;
  run.count = GetLong(matches.get(), L"Count");
  if (!readGroups) return run;
  start = Clock::now();
  for (LONG i = 0; i < run.count; ++i) {
    VARIANT index;
    V_VT(&index) = VT_R8;
    V_R8(&index) = i;
    ComPtr<IDispatch> match = GetObject(matches.get(), L"Item", &index, 1);
    if (!match) break;
    ComPtr<IDispatch> groups = GetObject(match.get(), L"SubMatches");
    if (!groups) break;
    VARIANT first;
    V_VT(&first) = VT_R8;
    V_R8(&first) = 0;
    ScopedVariant group;
    Invoke(groups.get(), L"Item", DISPATCH_PROPERTYGET, &first, 1, group.get());
  }
  run.groupsSeconds = Since(start);
  return run;
}

ComPtr<IDispatch> PlatformEngine() {
  CLSID clsid;
  ComPtr<IDispatch> engine;
  if (SUCCEEDED(CLSIDFromProgID(L"VBScript.RegExp", &clsid))) {
    CoCreateInstance(clsid, nullptr, CLSCTX_SERVER, IID_IDispatch, engine.put_void());
  }
  return engine;
}

ComPtr<IDispatch> BuiltinEngine() {
  ComPtr<IUnknown> unknown;
  CreateBuiltinRegExp(unknown.put());
  return unknown.As<IDispatch>(IID_IDispatch);
}

}  // namespace

int main() {
  CoInitialize(nullptr);
  {
    // About 6.4 MB of UTF-16 with 100,000 matches, Chinese and ASCII mixed.
    std::wstring subject;
    for (int i = 0; i < 100000; ++i) {
      subject += L"\u6807\u9898 line " + std::to_wstring(i) + L": <B>item \u4e2d\u6587 " + std::to_wstring(i) +
                 L"</b> and some trailing text\r\n";
    }
    std::printf("subject: %zu UTF-16 units (%.1f MB as UTF-16)\n", subject.size(), subject.size() * 2 / 1e6);
    struct Engine {
      const char* name;
      ComPtr<IDispatch> object;
    } engines[] = {{"built-in", BuiltinEngine()}, {"VBScript.RegExp", PlatformEngine()}};
    for (Engine& e : engines) {
      if (!e.object) {
        std::printf("%-16s not available\n", e.name);
        continue;
      }
      Run run = Measure(e.object.get(), L"<b>(.+?)</b>", subject, true);
      std::printf("%-16s Execute %s: %ld matches in %.3f s; group 1 of every match by name: %.3f s (%.2f us a match)\n",
                  e.name, run.executed ? "ok" : "failed", static_cast<long>(run.count), run.executeSeconds,
                  run.groupsSeconds, run.count ? run.groupsSeconds * 1e6 / run.count : 0.0);
    }

    // Markers that backtrack without end, built-in engine only: the
    // platform's engine would take minutes or longer.
    ComPtr<IDispatch> builtin = BuiltinEngine();
    const wchar_t* patterns[] = {L"(a+)+b(.+?)", L"(a+)+(b|c)(.+?)", L"(a|aa)+$(.+?)", L"(\\w+\\s?)+;(.+?)"};
    for (size_t length : {30u, 10000u, 1000000u}) {
      std::wstring line(length, L'a');
      for (const wchar_t* pattern : patterns) {
        Run run = Measure(builtin.get(), pattern, line, false);
        std::printf("built-in %-18ls over %7zu 'a': %s, %ld matches, %.3f s\n", pattern, length,
                    run.executed ? "Execute ok" : "Execute failed", static_cast<long>(run.count),
                    run.executeSeconds);
      }
    }
  }
  CoUninitialize();
  return 0;
}
