// The skin: the library and skin file that the program carries, written out
// at every start and attached to the process.
#pragma once

#include <windows.h>

#include "common/text.h"

extern const char kSkinLibraryPath[];  // "C:\Windows\jedata.dll"
extern const char kSkinFilePath[];     // "C:\Windows\win8.she"

// The embedded block of a resource id, as Bytes.
Bytes LoadEmbeddedBlock(HINSTANCE instance, int resourceId);

// Writes both files (results not looked at), then calls SkinH_AttachEx with
// the skin file's path and an empty text. When no "jedata.dll" with that
// entry point can be loaded the attach is skipped and the window keeps the
// platform's look.
void ApplySkin(HINSTANCE instance);
