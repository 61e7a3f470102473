// jedata.dll: the skin library. SkinH_AttachEx reads a skin file and themes
// the windows of the calling thread; unloading the library takes the skin
// off again.
#include <windows.h>

#include "skin/skin_file.h"
#include "skin/theme.h"

// Returns 0 when the skin was attached, otherwise one of the SkinResult
// codes; then this call has left nothing behind. The second text is not
// used (callers pass an empty one).
extern "C" int __stdcall SkinH_AttachEx(const char* skinPath, const char* /*unused*/) {
  try {
    Skin skin;
    const SkinResult read = ReadSkinFile(skinPath, &skin);
    if (read != kSkinAttached) return read;
    return AttachSkin(skin);
  } catch (...) {
    return kSkinNotAttachable;
  }
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      InitialiseSkinLibrary();
      break;
    case DLL_THREAD_DETACH:
      DetachSkinFromEndingThread(GetCurrentThreadId());
      break;
    case DLL_PROCESS_DETACH:
      // `reserved` is non-NULL when the whole process is ending rather than
      // the library being freed.
      FinishSkinLibrary(reserved != nullptr);
      break;
  }
  return TRUE;
}
