// Memory that cannot be allocated is a fatal error of the program: the box
// names the number of bytes asked for, and the process ends.
#include <cstdlib>
#include <new>

#include "common/fatal_error.h"

void* operator new(size_t size) {
  if (size == 0) size = 1;
  if (void* p = std::malloc(size)) return p;
  char message[64];
  FormatAllocationFailure(size, message, sizeof message);
  ReportFatalError(0, message);
}

void* operator new[](size_t size) { return operator new(size); }

void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }
