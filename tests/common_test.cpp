// Tests of the shared helpers: the fatal-error text and exit, whole-file
// writing, the external-function table.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>

#include "common/external_functions.h"
#include "common/fatal_error.h"
#include "common/file_io.h"
#include "tests/support/test_support.h"

namespace {

TEST(FatalErrorText, LayoutForCodeAndMessage) {
  struct {
    long code;
    const char* message;
    const char* expected;
  } cases[] = {
      {0, "载入启动窗口失败", "运行时出错!\r\n\r\n错误信息：载入启动窗口失败\r\n"},
      {5, "拒绝访问", "运行时出错!\r\n\r\n错误代码：5\r\n\r\n错误信息：拒绝访问\r\n"},
      {-7, "", "运行时出错!\r\n\r\n错误代码：-7\r\n\r\n"},
      {0, nullptr, "运行时出错!\r\n\r\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FatalErrorText(c.code, c.message), c.expected) << c.code;
  }
}

TEST(FatalErrorText, AllocationFailureNamesTheBytes) {
  char buffer[64];
  FormatAllocationFailure(1048576, buffer, sizeof buffer);
  EXPECT_STREQ(buffer, "分配 1048576 字节内存失败!");
}

TEST(WriteWholeFile, Cases) {
  TempFolder dir;
  const Bytes data = {'a', 0xD6, 0xD0, '\r', '\n'};

  EXPECT_FALSE(WriteWholeFile(Text(), data));
  EXPECT_FALSE(WriteWholeFile(Text(""), data));

  std::string fresh = dir.File("new.txt");
  EXPECT_TRUE(WriteWholeFile(Text(fresh.c_str()), data));
  EXPECT_EQ(ReadFileBytes(fresh), data);

  // An existing longer file is cut and replaced, never appended to.
  std::string existing = dir.File("old.txt");
  ASSERT_TRUE(WriteFileBytes(existing, Bytes(100, 'x')));
  EXPECT_TRUE(WriteWholeFile(Text(existing.c_str()), Bytes{'y'}));
  EXPECT_EQ(ReadFileBytes(existing), Bytes{'y'});

  // Empty data gives a file of 0 bytes.
  EXPECT_TRUE(WriteWholeFile(Text(existing.c_str()), Bytes()));
  EXPECT_TRUE(FileExists(existing));
  EXPECT_TRUE(ReadFileBytes(existing).empty());

  // A read-only target is refused and keeps its bytes.
  std::string locked = dir.File("readonly.txt");
  ASSERT_TRUE(WriteFileBytes(locked, Bytes{'k', 'e', 'e', 'p'}));
  SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(WriteWholeFile(Text(locked.c_str()), data));
  EXPECT_EQ(ReadFileBytes(locked), (Bytes{'k', 'e', 'e', 'p'}));

  // A missing folder.
  EXPECT_FALSE(WriteWholeFile(Text(dir.File("no\\such.txt").c_str()), data));

  // A folder too long for a temporary name beside the file: written in place.
  std::string deep = dir.path();
  while (deep.size() < MAX_PATH - 12) {
    deep += "\\" + std::string(std::min<size_t>(60, MAX_PATH - 12 - deep.size()), 'd');
    ASSERT_TRUE(CreateDirectoryA(deep.c_str(), nullptr)) << deep.size();
  }
  std::string longPath = deep + "\\a.txt";
  ASSERT_LT(longPath.size(), static_cast<size_t>(MAX_PATH));
  ASSERT_TRUE(WriteFileBytes(longPath, Bytes{'o', 'l', 'd'}));
  EXPECT_TRUE(WriteWholeFile(Text(longPath.c_str()), data));
  EXPECT_EQ(ReadFileBytes(longPath), data);
}

const ExternalEntry kTestEntries[] = {
    {nullptr, "MultiByteToWideChar"},
    {"kernel32.dll", "WideCharToMultiByte"},
    {"kernel32.dll", "WideCharToMultiByte"},
    {"kernel32.dll", "NoSuchFunctionAnywhere"},
    {"no_such_library_ever.dll", "Anything"},
    {nullptr, "NoSuchFunctionAnywhere"},
    {"C:\\windows\\system32\\kernel32.dll", "GetTickCount"},
};

TEST(ExternalFunctionTable, ResolvesOnceAndKeepsTheAddress) {
  ExternalFunctionTable table(kTestEntries, std::size(kTestEntries));
  FARPROC first = table.Resolve(0);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(reinterpret_cast<void*>(first),
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"),
                                                   "MultiByteToWideChar")));
  EXPECT_EQ(table.Resolve(0), first);
  // Two entries naming one function are both resolved, each on its own.
  EXPECT_NE(table.Resolve(1), nullptr);
  EXPECT_EQ(table.Resolve(2), table.Resolve(1));
  // A library named with a drive is loaded by that name.
  EXPECT_NE(table.Resolve(6), nullptr);
}

TEST(ExternalFunctionTable, MissingFunctionOrLibraryIsNotFound) {
  ExternalFunctionTable table(kTestEntries, std::size(kTestEntries));
  EXPECT_EQ(table.TryResolve(3), nullptr);
  EXPECT_EQ(table.TryResolve(4), nullptr);
  EXPECT_EQ(table.TryResolve(5), nullptr);
}

// The child side of the fatal tests: resolve a missing entry and end there.
int RunFatalChild(const char* which) {
  // A window of the program, which must take no input while the box is up.
  CreateWindowExA(0, "STATIC", "fatal-child-window", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200,
                  100, nullptr, nullptr, nullptr, nullptr);
  ExternalFunctionTable table(kTestEntries, std::size(kTestEntries));
  if (std::strcmp(which, "library") == 0) table.Resolve(4);
  if (std::strcmp(which, "system") == 0) table.Resolve(5);
  table.Resolve(3);
  return 0;  // never reached
}

// Starts this program as a child that hits a missing outside function, reads
// the error box's caption and text, presses OK and returns the exit code.
DWORD RunFatalCase(const char* which, std::string* caption, std::string* text) {
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  ChildProcess child;
  EXPECT_TRUE(child.Start(self, std::string("--fatal-child=") + which));
  HWND box = child.FindTopWindow("#32770");
  EXPECT_NE(box, nullptr);
  if (!box) return 0;
  *caption = WindowText(box);
  *text = WindowText(FindMessageBoxText(box));
  EXPECT_EQ(GetWindow(box, GW_OWNER), nullptr);
  std::vector<HWND> others = TopWindowsOf(child.pid(), "Static");
  EXPECT_EQ(others.size(), 1u);
  for (HWND w : others) EXPECT_FALSE(IsWindowEnabled(w)) << "no handler runs while the box is up";
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  DWORD code = 0;
  EXPECT_TRUE(child.WaitExit(20000, &code));
  return code;
}

TEST(ExternalFunctionTable, MissingFunctionIsFatalWithExitCodeMinusOne) {
  struct {
    const char* which;
    const char* message;
  } cases[] = {
      {"function", "无法找到指定DLL库文件“kernel32.dll”中的输出命令“NoSuchFunctionAnywhere”"},
      {"library", "无法找到指定DLL库文件“no_such_library_ever.dll”中的输出命令“Anything”"},
      {"system", "无法找到指定DLL库文件中的输出命令“NoSuchFunctionAnywhere”"},
  };
  for (const auto& c : cases) {
    std::string caption, text;
    DWORD code = RunFatalCase(c.which, &caption, &text);
    EXPECT_EQ(code, static_cast<DWORD>(-1)) << c.which;
    EXPECT_EQ(caption, "错误");
    EXPECT_EQ(text, std::string("运行时出错!\r\n\r\n错误信息：") + c.message + "\r\n")
        << c.which;
  }
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--fatal-child=", 14) == 0) return RunFatalChild(argv[i] + 14);
  }
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
