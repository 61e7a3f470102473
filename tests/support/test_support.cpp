#include "tests/support/test_support.h"

#include <shellapi.h>

#include <cstdio>

bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  for (;;) {
    PumpMessages();
    if (done()) return true;
    if (GetTickCount64() >= deadline) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

void PumpMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) continue;  // a closed test window posts it
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

std::string TestProgramFolder() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string s(path);
  return s.substr(0, s.find_last_of('\\'));
}

std::string TessavelExePath() {
  std::string tests = TestProgramFolder();
  return tests.substr(0, tests.find_last_of('\\')) + "\\app\\tessavel.exe";
}

std::string HostPathToWindows(const std::string& unixPath) {
  std::string s = "Z:" + unixPath;
  for (char& c : s) {
    if (c == '/') c = '\\';
  }
  return s;
}

TempFolder::TempFolder() {
  char base[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, base);
  static unsigned counter = 0;
  char name[MAX_PATH];
  std::snprintf(name, sizeof name, "%stessavel-test-%lu-%u", base, GetCurrentProcessId(),
                ++counter);
  CreateDirectoryA(name, nullptr);
  path_ = name;
}

TempFolder::~TempFolder() {
  // SHFileOperation wants a double-NUL-terminated list.
  std::string from = path_;
  from.push_back('\0');
  SHFILEOPSTRUCTA op{};
  op.wFunc = FO_DELETE;
  op.pFrom = from.c_str();
  op.fFlags = FOF_NO_UI;
  // Read-only files made by a test would stop the deletion.
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((path_ + "\\*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      SetFileAttributesA((path_ + "\\" + fd.cFileName).c_str(), FILE_ATTRIBUTE_NORMAL);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
  }
  SHFileOperationA(&op);
}

Bytes ReadFileBytes(const std::string& path) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return {};
  Bytes data(GetFileSize(h, nullptr));
  DWORD got = 0;
  if (!data.empty()) ReadFile(h, data.data(), static_cast<DWORD>(data.size()), &got, nullptr);
  CloseHandle(h);
  data.resize(got);
  return data;
}

bool WriteFileBytes(const std::string& path, const Bytes& data) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD put = 0;
  BOOL ok = data.empty() || WriteFile(h, data.data(), static_cast<DWORD>(data.size()), &put, nullptr);
  CloseHandle(h);
  return ok && put == data.size();
}

bool FileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string WindowText(HWND hwnd) {
  // WM_GETTEXT works across processes, GetWindowText does not for controls.
  LRESULT n = SendMessageA(hwnd, WM_GETTEXTLENGTH, 0, 0);
  std::string s(static_cast<size_t>(n) + 1, '\0');
  LRESULT got = SendMessageA(hwnd, WM_GETTEXT, s.size(), reinterpret_cast<LPARAM>(s.data()));
  s.resize(static_cast<size_t>(got));
  return s;
}

ChildProcess::~ChildProcess() {
  if (pi_.hProcess) {
    if (WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT) {
      TerminateProcess(pi_.hProcess, 99);
      WaitForSingleObject(pi_.hProcess, 5000);
    }
    CloseHandle(pi_.hProcess);
    CloseHandle(pi_.hThread);
  }
}

bool ChildProcess::Start(const std::string& exe, const std::string& arguments,
                         const std::string& folder) {
  std::string command = "\"" + exe + "\"";
  if (!arguments.empty()) command += " " + arguments;
  STARTUPINFOA si{};
  si.cb = sizeof si;
  return CreateProcessA(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &si, &pi_) != FALSE;
}

namespace {

struct WindowSearch {
  DWORD pid;
  const char* cls;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM lp) {
  auto* s = reinterpret_cast<WindowSearch*>(lp);
  DWORD owner = 0;
  GetWindowThreadProcessId(hwnd, &owner);
  if (owner != s->pid) return TRUE;
  char cls[256] = {};
  GetClassNameA(hwnd, cls, sizeof cls);
  if (!s->cls || lstrcmpA(cls, s->cls) == 0) s->found.push_back(hwnd);
  return TRUE;
}

}  // namespace

std::vector<HWND> TopWindowsOf(DWORD pid, const char* className) {
  WindowSearch search{pid, className, {}};
  EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND ChildProcess::FindTopWindow(const char* className, DWORD timeoutMs) const {
  HWND found = nullptr;
  WaitUntil(
      [&] {
        for (HWND h : TopWindowsOf(pid(), className)) {
          if (IsWindowVisible(h)) found = h;
        }
        return found != nullptr;
      },
      timeoutMs);
  return found;
}

bool ChildProcess::WaitExit(DWORD timeoutMs, DWORD* exitCode) {
  bool ended = WaitUntil([&] { return WaitForSingleObject(pi_.hProcess, 0) == WAIT_OBJECT_0; },
                         timeoutMs);
  if (ended && exitCode) GetExitCodeProcess(pi_.hProcess, exitCode);
  return ended;
}

namespace {

struct ChildSearch {
  HWND parent;
  const char* cls;
  POINT at;  // top-left corner in the parent's client area
  HWND found = nullptr;
};

BOOL CALLBACK MatchChild(HWND hwnd, LPARAM lp) {
  auto* s = reinterpret_cast<ChildSearch*>(lp);
  if (GetParent(hwnd) != s->parent) return TRUE;
  char cls[64] = {};
  GetClassNameA(hwnd, cls, sizeof cls);
  if (lstrcmpiA(cls, s->cls) != 0) return TRUE;
  RECT rc;
  GetWindowRect(hwnd, &rc);
  POINT corner{rc.left, rc.top};
  ScreenToClient(s->parent, &corner);
  if (corner.x == s->at.x && corner.y == s->at.y) {
    s->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

HWND ChildAt(HWND parent, const char* className, int x, int y) {
  ChildSearch search{parent, className, {x, y}};
  EnumChildWindows(parent, MatchChild, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

void SetTextRemote(HWND window, const std::string& text) {
  DWORD_PTR ignored;
  SendMessageTimeoutA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_NORMAL,
                      20000, &ignored);
}

HWND FindMessageBoxText(HWND box) {
  // The message text is the static control with id 0xFFFF.
  return GetDlgItem(box, 0xFFFF);
}
