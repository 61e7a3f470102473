#include "common/file_io.h"

#include <windows.h>

#include "common/scoped.h"

bool WriteWholeFile(const Text& path, const Bytes& data) {
  if (path.IsEmpty()) return false;
  // CREATE_ALWAYS refuses a read-only target, and a hidden or system one
  // opened without those attributes. The check is made here as well because
  // a file system may let a privileged user through (Wine run as root does).
  DWORD attributes = GetFileAttributesA(path.CStr());
  if (attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM))) {
    return false;
  }
  ScopedHandle file(CreateFileA(path.CStr(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return false;
  if (!data.empty()) {
    DWORD written = 0;
    if (!WriteFile(file.get(), data.data(), static_cast<DWORD>(data.size()), &written, nullptr) ||
        written != data.size()) {
      return false;
    }
  }
  return CloseHandle(file.release()) != FALSE;
}
