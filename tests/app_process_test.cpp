// tessavel.exe started as a process and driven from outside: it shows its
// window centred, writes the two skin files, and ends with exit code 0
// however it is closed.
#include <gtest/gtest.h>
#include <windows.h>

#include "tests/support/test_support.h"

#ifndef TESSAVEL_SKIN_LIBRARY_HOST_PATH
#error the build names the skin library it embeds
#endif

namespace {

const char kMainClass[] = "TessavelMainWindow";

HWND StartProgram(ChildProcess& program) {
  if (!program.Start(TessavelExePath())) return nullptr;
  return program.FindTopWindow(kMainClass);
}

TEST(Program, StartsCentredAndWritesTheSkinFiles) {
  DeleteFileA("C:\\Windows\\win8.she");
  ChildProcess program;
  HWND window = StartProgram(program);
  ASSERT_NE(window, nullptr);
  RECT rc;
  GetWindowRect(window, &rc);
  EXPECT_EQ(rc.left, (GetSystemMetrics(SM_CXSCREEN) - 450) / 2);
  EXPECT_EQ(rc.top, (GetSystemMetrics(SM_CYSCREEN) - 427) / 2);
  EXPECT_EQ(rc.right - rc.left, 450);
  EXPECT_EQ(rc.bottom - rc.top, 427);

  Bytes library = ReadFileBytes("C:\\Windows\\jedata.dll");
  EXPECT_EQ(library, ReadFileBytes(HostPathToWindows(TESSAVEL_SKIN_LIBRARY_HOST_PATH)));
  EXPECT_EQ(library.size() > 2 && library[0] == 'M' && library[1] == 'Z', true);
  Bytes skin = ReadFileBytes("C:\\Windows\\win8.she");
  EXPECT_EQ(skin, ReadFileBytes(HostPathToWindows(TESSAVEL_SKIN_FILE_HOST_PATH)));
  ASSERT_GE(skin.size(), 4u);
  EXPECT_EQ(std::string(skin.begin(), skin.begin() + 4), ".SHE");

  PostMessageA(window, WM_CLOSE, 0, 0);
  DWORD code = 1;
  ASSERT_TRUE(program.WaitExit(20000, &code));
  EXPECT_EQ(code, 0u);
}

// Each way of closing ends the process with 0 and asks nothing.
TEST(Program, ClosesWithExitCodeZero) {
  struct {
    const char* how;
    void (*close)(HWND window);
  } cases[] = {
      {"WM_CLOSE", [](HWND w) { PostMessageA(w, WM_CLOSE, 0, 0); }},
      {"Esc",
       [](HWND w) {
         // The key goes to the focused control; the window's loop sees it first.
         GUITHREADINFO gti{};
         gti.cbSize = sizeof gti;
         GetGUIThreadInfo(GetWindowThreadProcessId(w, nullptr), &gti);
         HWND target = gti.hwndFocus ? gti.hwndFocus : w;
         PostMessageA(target, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
         PostMessageA(target, WM_KEYUP, VK_ESCAPE, 0xC0010001);
       }},
      {"Alt+F4",
       [](HWND w) {
         // Alt held: bit 29 of the key data, as the system sends it.
         PostMessageA(w, WM_SYSKEYDOWN, VK_F4, 0x203E0001);
         PostMessageA(w, WM_SYSKEYUP, VK_F4, 0xE03E0001);
       }},
      {"close button", [](HWND w) { PostMessageA(w, WM_SYSCOMMAND, SC_CLOSE, 0); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.how);
    ChildProcess program;
    HWND window = StartProgram(program);
    ASSERT_NE(window, nullptr);
    c.close(window);
    DWORD code = 1;
    ASSERT_TRUE(program.WaitExit(20000, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(TopWindowsOf(program.pid(), "#32770").empty()) << "no question asked";
  }
}

// When no skin library can be loaded the program starts unskinned and shows
// no error. A folder named like the library stops both writing and loading it.
TEST(Program, StartsWithoutTheSkinLibrary) {
  Bytes old = ReadFileBytes("C:\\Windows\\jedata.dll");
  DeleteFileA("C:\\Windows\\jedata.dll");
  ASSERT_TRUE(CreateDirectoryA("C:\\Windows\\jedata.dll", nullptr));
  ChildProcess program;
  HWND window = StartProgram(program);
  EXPECT_NE(window, nullptr);
  EXPECT_TRUE(TopWindowsOf(program.pid(), "#32770").empty());
  if (window) PostMessageA(window, WM_CLOSE, 0, 0);
  DWORD code = 1;
  EXPECT_TRUE(program.WaitExit(20000, &code));
  EXPECT_EQ(code, 0u);
  RemoveDirectoryA("C:\\Windows\\jedata.dll");
  if (!old.empty()) WriteFileBytes("C:\\Windows\\jedata.dll", old);
}

TEST(Program, CarriesItsVersionRecord) {
  std::string exe = TessavelExePath();
  DWORD handle = 0;
  DWORD size = GetFileVersionInfoSizeA(exe.c_str(), &handle);
  ASSERT_GT(size, 0u);
  std::vector<char> info(size);
  ASSERT_TRUE(GetFileVersionInfoA(exe.c_str(), 0, size, info.data()));

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0u);
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);

  WORD* translation = nullptr;
  ASSERT_TRUE(VerQueryValueA(info.data(), "\\VarFileInfo\\Translation",
                             reinterpret_cast<void**>(&translation), &length));
  ASSERT_GE(length, 4u);
  EXPECT_EQ(translation[0], 0x0804);
  EXPECT_EQ(translation[1], 1200);

  struct {
    const char* name;
    const char* value;
  } strings[] = {
      {"ProductName", "Tessavel"},
      {"CompanyName", "Brunmoor"},
      {"Comments", "感谢支持"},
  };
  for (const auto& s : strings) {
    char* value = nullptr;
    std::string key = std::string("\\StringFileInfo\\080404b0\\") + s.name;
    ASSERT_TRUE(VerQueryValueA(info.data(), key.c_str(), reinterpret_cast<void**>(&value), &length))
        << s.name;
    EXPECT_STREQ(value, s.value) << s.name;
  }
  for (const char* name : {"FileDescription", "LegalCopyright"}) {
    char* value = nullptr;
    std::string key = std::string("\\StringFileInfo\\080404b0\\") + name;
    ASSERT_TRUE(VerQueryValueA(info.data(), key.c_str(), reinterpret_cast<void**>(&value), &length));
    EXPECT_NE(std::string(value).find("Brunmoor"), std::string::npos) << name;
  }
}

}  // namespace
