#include "common/external_functions.h"

#include <cstring>
#include <string>

#include "common/fatal_error.h"

namespace {

// Where an entry without a library is looked for, in this order.
const char* const kSystemLibraries[] = {
    "Kernel32.dll", "Gdi32.dll", "User32.dll", "Advapi32.dll", "Mpr.dll", "Shell32.dll",
};

const ExternalEntry kProcessEntries[] = {
    {"ole32.dll", "CoInitialize"},
    {"jedata.dll", "SkinH_AttachEx"},
    {nullptr, "MultiByteToWideChar"},
    {"kernel32.dll", "WideCharToMultiByte"},
    {"kernel32.dll", "WideCharToMultiByte"},
    {"ole32.dll", "CoUninitialize"},
};

std::string NotFoundMessage(const ExternalEntry& e) {
  std::string m = "无法找到指定DLL库文件";
  if (e.library) {
    m += "“";
    m += e.library;
    m += "”";
  }
  m += "中的输出命令“";
  m += e.function;
  m += "”";
  return m;
}

}  // namespace

ExternalFunctionTable::ExternalFunctionTable(const ExternalEntry* entries, size_t count)
    : entries_(entries), count_(count), slots_(new Slot[count]) {}

ExternalFunctionTable::~ExternalFunctionTable() {
  FreeLibraries();
  delete[] slots_;
}

std::string ExternalFunctionTable::ProgramFolder() {
  char path[MAX_PATH + 1] = {};
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path, n);
  size_t slash = folder.find_last_of('\\');
  return slash == std::string::npos ? std::string() : folder.substr(0, slash);
}

FARPROC ExternalFunctionTable::TryResolve(size_t entry) {
  if (entry >= count_) return nullptr;
  Slot& slot = slots_[entry];
  if (slot.address) return slot.address;
  const ExternalEntry& e = entries_[entry];

  HMODULE library = nullptr;
  FARPROC address = nullptr;
  if (!e.library) {
    for (const char* name : kSystemLibraries) {
      HMODULE m = LoadLibraryA(name);
      if (!m) continue;
      address = GetProcAddress(m, e.function);
      if (address) {
        library = m;
        break;
      }
      FreeLibrary(m);
    }
  } else {
    if (!std::strchr(e.library, ':')) {
      std::string local = ProgramFolder() + "\\" + e.library;
      library = LoadLibraryA(local.c_str());
      if (!library) library = LoadLibraryA(e.library);
    } else {
      library = LoadLibraryA(e.library);
    }
    if (library) address = GetProcAddress(library, e.function);
  }

  if (!address) {
    if (library) FreeLibrary(library);
    return nullptr;
  }
  slot.address = address;
  slot.library = library;
  return address;
}

FARPROC ExternalFunctionTable::Resolve(size_t entry) {
  FARPROC address = TryResolve(entry);
  if (!address) ReportFatalError(0, NotFoundMessage(entries_[entry]).c_str());
  return address;
}

void ExternalFunctionTable::FreeLibraries() {
  for (size_t i = 0; i < count_; ++i) {
    if (slots_[i].library) FreeLibrary(slots_[i].library);
    slots_[i] = Slot{};
  }
}

ExternalFunctionTable& ProcessExternals() {
  static ExternalFunctionTable table(kProcessEntries, sizeof kProcessEntries / sizeof *kProcessEntries);
  return table;
}
