// Functions of outside libraries, found by name at their first call.
//
// The process has one table of six entries. An entry is resolved at its
// first call and then keeps the function's address and the library's handle
// until FreeExternalLibraries at shutdown.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

enum class External : int {
  kCoInitialize = 0,            // ole32.dll
  kSkinAttach = 1,              // jedata.dll: SkinH_AttachEx
  kMultiByteToWideChar = 2,     // found in the system libraries
  kWideCharToMultiByteMeasure = 3,  // kernel32.dll, first call of a conversion
  kWideCharToMultiByteConvert = 4,  // kernel32.dll, second call (resolved on its own)
  kCoUninitialize = 5,          // ole32.dll
};

struct ExternalEntry {
  const char* library;   // NULL: look the function up in the system libraries
  const char* function;
};

// A table of entries with their resolved addresses and libraries.
class ExternalFunctionTable {
 public:
  ExternalFunctionTable(const ExternalEntry* entries, size_t count);
  ~ExternalFunctionTable();
  ExternalFunctionTable(const ExternalFunctionTable&) = delete;
  ExternalFunctionTable& operator=(const ExternalFunctionTable&) = delete;

  // The entry's address, or NULL when its library does not load or lacks the
  // function (nothing is kept then, so a later call tries again).
  FARPROC TryResolve(size_t entry);
  // The entry's address; when it cannot be found the process ends with the
  // fatal error that names the library and the function.
  FARPROC Resolve(size_t entry);
  // Frees every library that an entry keeps.
  void FreeLibraries();

  // The folder of the program file, without a trailing backslash.
  static std::string ProgramFolder();

 private:
  struct Slot {
    FARPROC address = nullptr;
    HMODULE library = nullptr;
  };
  const ExternalEntry* entries_;
  size_t count_;
  Slot* slots_;
};

// The process's table.
ExternalFunctionTable& ProcessExternals();

// ResolveExternal of the process's table, typed.
template <class Fn>
Fn ResolveExternal(External entry) {
  return reinterpret_cast<Fn>(
      reinterpret_cast<void*>(ProcessExternals().Resolve(static_cast<size_t>(entry))));
}
template <class Fn>
Fn TryResolveExternal(External entry) {
  return reinterpret_cast<Fn>(
      reinterpret_cast<void*>(ProcessExternals().TryResolve(static_cast<size_t>(entry))));
}
