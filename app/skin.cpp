#include "app/skin.h"

#include "app/embedded.h"
#include "app/resource_ids.h"
#include "common/external_functions.h"
#include "common/file_io.h"

const char kSkinLibraryPath[] = "C:\\Windows\\jedata.dll";
const char kSkinFilePath[] = "C:\\Windows\\win8.she";

Bytes LoadEmbeddedBlock(HINSTANCE instance, int resourceId) {
  EmbeddedBlock block = FindEmbeddedBlock(instance, resourceId);
  return Bytes(block.data, block.data + block.size);
}

void ApplySkin(HINSTANCE instance) {
  WriteWholeFile(kSkinLibraryPath, LoadEmbeddedBlock(instance, IDR_SKIN_LIBRARY));
  WriteWholeFile(kSkinFilePath, LoadEmbeddedBlock(instance, IDR_SKIN_FILE));
  // The library is loaded here, at the first call, by its bare name: the
  // standard search finds it in the Windows folder where it was just written.
  // Without it the program starts unskinned rather than not at all.
  using SkinAttach = int(__stdcall*)(const char*, const char*);
  auto attach = TryResolveExternal<SkinAttach>(External::kSkinAttach);
  if (attach) attach(kSkinFilePath, "");
}
