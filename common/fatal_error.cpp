#include "common/fatal_error.h"

#include <windows.h>

#include <cstdio>

namespace {

void (*gFatalCleanup)() = nullptr;

// Builds the box's text into a fixed buffer, cutting what does not fit.
void FormatFatalErrorText(long code, const char* message, char* buffer, size_t capacity) {
  int n = std::snprintf(buffer, capacity, "运行时出错!\r\n\r\n");
  auto used = [&] { return n < 0 ? capacity : static_cast<size_t>(n) < capacity ? static_cast<size_t>(n) : capacity; };
  if (code != 0) n += std::snprintf(buffer + used(), capacity - used(), "错误代码：%ld\r\n\r\n", code);
  if (message && *message) {
    n += std::snprintf(buffer + used(), capacity - used(), "错误信息：%s\r\n", message);
  }
}

}  // namespace

std::string FatalErrorText(long code, const char* message) {
  char buffer[2048];
  FormatFatalErrorText(code, message, buffer, sizeof buffer);
  return buffer;
}

void SetFatalErrorCleanup(void (*cleanup)()) { gFatalCleanup = cleanup; }

void ReportFatalError(long code, const char* message) {
  char buffer[2048];
  FormatFatalErrorText(code, message, buffer, sizeof buffer);
  // MB_TASKMODAL keeps the box without an owner but disables every window of
  // the thread while it is up: no handler may run again once a fatal error
  // has happened, and the box's own message loop would otherwise let a click
  // on "提取" or "导出" through to the failing program.
  MessageBoxA(nullptr, buffer, "错误", MB_OK | MB_ICONHAND | MB_TASKMODAL);
  if (gFatalCleanup) gFatalCleanup();
  ExitProcess(static_cast<UINT>(-1));
}

void FormatAllocationFailure(size_t bytes, char* buffer, size_t capacity) {
  std::snprintf(buffer, capacity, "分配 %d 字节内存失败!", static_cast<int>(bytes));
}
