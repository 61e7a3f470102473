// Calls on automation objects by member name through IDispatch.
//
// Every call is silent on failure: it yields the empty value of what was
// asked (false, 0, the empty Text, empty Bytes, an empty reference, VT_EMPTY)
// and the caller goes on with that. Member names and texts cross to UTF-16
// in the system's ANSI code page (CP_ACP).
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>
#include <vector>

#include "common/scoped.h"
#include "common/text.h"

// Creates the object registered under `progId` (CLSIDFromProgID,
// CoCreateInstance for IUnknown in any server context) and puts it into its
// running state with OleRun. Only on success is `target` replaced; a failed
// OleRun releases the new object.
bool CreateObjectByProgId(const char* progId, ComPtr<IUnknown>* target);

// The IDispatch of an object; empty when it has none.
ComPtr<IDispatch> DispatchOf(IUnknown* object);

// Arguments, in the order that the member declares them. They hold nothing
// that needs clearing except text, which owns its BSTR.
class AutomationArgs {
 public:
  AutomationArgs() = default;
  ~AutomationArgs();
  AutomationArgs(const AutomationArgs&) = delete;
  AutomationArgs& operator=(const AutomationArgs&) = delete;

  AutomationArgs& Bool(bool value);        // VT_BOOL: -1 or 0
  AutomationArgs& Int(long value);         // VT_I4
  AutomationArgs& Double(double value);    // VT_R8
  AutomationArgs& String(const Text& value);  // VT_BSTR; absent: a null string
  // The caller's VARIANT, not copied: it must outlive the call.
  AutomationArgs& Variant(const VARIANT& value);

  size_t count() const { return count_; }
  const VARIANT* data() const { return values_; }

  static constexpr size_t kMaxArgs = 4;

 private:
  VARIANT* Next();

  VARIANT values_[kMaxArgs];
  bool owned_[kMaxArgs] = {};
  size_t count_ = 0;
  bool overflow_ = false;

  friend class AutomationCaller;
};

// Calls members by name. DISPIDs are remembered per class of object: objects
// of one class share their IDispatch vtable and answer a name with the same
// DISPID, so (vtable, name) identifies the DISPID and reading 100,000 match
// objects asks GetIDsOfNames once per member instead of once per call.
// An implementation of IDispatch that serves objects with different members
// from one vtable would break that assumption; every class reached through a
// RegexObject has its own vtable.
//
// The remembered DISPIDs are only valid while the classes' module stays
// loaded, so a caller forgets them (Forget) when it lets go of its objects.
class AutomationCaller {
 public:
  AutomationCaller() = default;
  AutomationCaller(const AutomationCaller&) = default;
  AutomationCaller& operator=(const AutomationCaller&) = default;

  // Writes a property: its one value as the named argument DISPID_PROPERTYPUT.
  bool Put(IDispatch* object, const char* name, const VARIANT& value);
  bool PutBool(IDispatch* object, const char* name, bool value);
  bool PutString(IDispatch* object, const char* name, const Text& value);

  // Reads a property or calls a method; `result` is cleared first and stays
  // VT_EMPTY on failure.
  bool Get(IDispatch* object, const char* name, const AutomationArgs& args, VARIANT* result);
  bool Call(IDispatch* object, const char* name, const AutomationArgs& args, VARIANT* result);

  // Forgets every remembered DISPID.
  void Forget() { ids_.clear(); }

 private:
  bool FindId(IDispatch* object, const char* name, DISPID* id);
  bool Invoke(IDispatch* object, const char* name, WORD flags, const AutomationArgs& args,
              VARIANT* result);

  struct Entry {
    const void* vtable;
    std::string name;
    DISPID id;
  };
  std::vector<Entry> ids_;
};

// Results. Numbers go through VT_R8 and are truncated toward zero where an
// integer is wanted; text through VT_BSTR, converted with CP_ACP and cut at
// its first U+0000; objects through VT_UNKNOWN, as a new reference.
double NumberFromVariant(const VARIANT& value);
int IntegerFromVariant(const VARIANT& value);
Text TextFromVariant(const VARIANT& value);
ComPtr<IDispatch> ObjectFromVariant(const VARIANT& value);

// A one-dimensional array of unsigned bytes, lower bound 1, holding a copy
// of `bytes` (0 elements for empty Bytes). `target` is cleared first; false
// (and VT_EMPTY) when the array cannot be made.
bool VariantFromBytes(const Bytes& bytes, VARIANT* target);

// The bytes of an array of unsigned bytes; anything else is first changed to
// such an array, which turns a string into its UTF-16 bytes without
// terminator and fails for every other type (empty Bytes).
Bytes BytesFromVariant(const VARIANT& value);
