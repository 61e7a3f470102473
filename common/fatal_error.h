// The one place that shows a fatal error and ends the process.
#pragma once

#include <cstddef>
#include <string>

// The box's text: "运行时出错!" and two CR LF; then, for a code other than 0,
// "错误代码：", the code and two CR LF; then, for a non-empty message,
// "错误信息：", the message and one CR LF.
std::string FatalErrorText(long code, const char* message);

// Shows the fatal-error box (no owner, caption "错误", stop icon, OK; the
// thread's windows are disabled while it is up), then
// runs the cleanup set with SetFatalErrorCleanup and ends the process with
// exit code -1. Never returns. Allocates nothing, so that it also serves
// when memory has run out.
[[noreturn]] void ReportFatalError(long code, const char* message);

// What the process releases before a fatal exit (loaded libraries, OLE).
void SetFatalErrorCleanup(void (*cleanup)());

// Writes "分配 N 字节内存失败!" into `buffer`.
void FormatAllocationFailure(size_t bytes, char* buffer, size_t capacity);
