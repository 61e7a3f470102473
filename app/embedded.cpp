#include "app/embedded.h"

EmbeddedBlock FindEmbeddedBlock(HINSTANCE instance, int id) {
  HRSRC info = FindResourceA(instance, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(10) /* RT_RCDATA */);
  if (!info) return {};
  HGLOBAL block = LoadResource(instance, info);
  const void* data = block ? LockResource(block) : nullptr;
  if (!data) return {};
  return {static_cast<const uint8_t*>(data), SizeofResource(instance, info)};
}
