// jedata.dll: the skin library. SkinH_AttachEx reads a skin file and themes
// the windows of the calling thread.
#include <windows.h>

#include <cstdint>
#include <cstring>

namespace {

// A skin file starts with these four bytes.
const char kSkinMark[4] = {'.', 'S', 'H', 'E'};

}  // namespace

// Returns 0 when the skin file was accepted; a non-zero code otherwise.
extern "C" int __stdcall SkinH_AttachEx(const char* skinPath, const char* /*unused*/) {
  if (!skinPath || !*skinPath) return 1;
  HANDLE file = CreateFileA(skinPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  char mark[4] = {};
  DWORD got = 0;
  BOOL ok = ReadFile(file, mark, sizeof mark, &got, nullptr);
  CloseHandle(file);
  if (!ok) return 2;
  if (got != sizeof mark || std::memcmp(mark, kSkinMark, sizeof mark) != 0) return 3;
  return 0;
}

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
