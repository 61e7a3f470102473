// Blocks of bytes that the program carries as resources.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

struct EmbeddedBlock {
  const uint8_t* data = nullptr;
  size_t size = 0;
};

// The RCDATA resource `id` of `instance`; empty when there is none.
EmbeddedBlock FindEmbeddedBlock(HINSTANCE instance, int id);
