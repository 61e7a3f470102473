// Helpers for the test programs: deadlines, message pumping, windows of
// other processes, running programs.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "common/text.h"

// Polls `done` until it is true or `timeoutMs` has passed, pumping the
// thread's messages in between. True when `done` became true.
bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs = 10000);

// Handles every message waiting for this thread (dispatching them normally).
void PumpMessages();

// The folder of the running test program, without a trailing backslash.
std::string TestProgramFolder();
// The full path of tessavel.exe in the build tree.
std::string TessavelExePath();
// A Linux path of the build as a Windows path (Z:\...).
std::string HostPathToWindows(const std::string& unixPath);

// A new empty folder under the temporary folder, deleted with its files.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "\\" + name; }

 private:
  std::string path_;
};

Bytes ReadFileBytes(const std::string& path);
bool WriteFileBytes(const std::string& path, const Bytes& data);
bool FileExists(const std::string& path);

// The text of a window as code-page-936 bytes.
std::string WindowText(HWND hwnd);

// A program started for a test; killed at the end if it still runs.
class ChildProcess {
 public:
  ChildProcess() = default;
  ~ChildProcess();
  bool Start(const std::string& exe, const std::string& arguments = "",
             const std::string& folder = "");
  DWORD pid() const { return pi_.dwProcessId; }
  HANDLE handle() const { return pi_.hProcess; }
  // A visible top-level window of the process with the class, or NULL.
  HWND FindTopWindow(const char* className, DWORD timeoutMs = 20000) const;
  // Waits for the process to end; false on time-out.
  bool WaitExit(DWORD timeoutMs, DWORD* exitCode);

 private:
  PROCESS_INFORMATION pi_{};
};

// Top-level windows of a process with the class name (NULL: any).
std::vector<HWND> TopWindowsOf(DWORD pid, const char* className);

// The child of `parent` of the class whose corner stands at (x, y) in the
// parent's client area, as the form places it; works across processes.
HWND ChildAt(HWND parent, const char* className, int x, int y);

// Sets the text of a window of another process, waiting for it to be taken.
void SetTextRemote(HWND window, const std::string& text);

// Finds the static text control of a message box.
HWND FindMessageBoxText(HWND box);
