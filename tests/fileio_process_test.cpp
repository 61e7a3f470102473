// tessavel.exe as a process, driven from outside: a real OLE drag of a file
// from another process loads it, "导出" writes the results through the save
// dialog, and a second copy leaves the skin library of the first alone.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "tests/support/dialog_answerer.h"
#include "tests/support/test_support.h"

namespace {

const char kMainClass[] = "TessavelMainWindow";

Bytes B(const std::string& s) { return Bytes(s.begin(), s.end()); }

// A control of the form found by a point inside it, given in the client
// coordinates of its parent, as the form places it.
HWND ControlAt(HWND parent, int x, int y) {
  POINT p{x, y};
  return ChildWindowFromPointEx(parent, p, CWP_SKIPINVISIBLE | CWP_SKIPTRANSPARENT);
}
HWND SourceBox(HWND main) { return ControlAt(main, 2 + 220, 104 + 44); }
HWND ResultsBox(HWND main) { return ControlAt(main, 6 + 215, 277 + 60); }
HWND ExportButton(HWND main) {
  HWND group = ControlAt(main, 6 + 200, 224 + 20);
  return ControlAt(group, 154 + 64, 10 + 12);
}

std::string HelperPath() { return TestProgramFolder() + "\\drag_source_helper.exe"; }

// The identity of the file at `path` (volume and file index): a file put in
// its place by a rename has another one.
std::string FileIdentity(const std::string& path) {
  HANDLE h = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return "";
  BY_HANDLE_FILE_INFORMATION info{};
  GetFileInformationByHandle(h, &info);
  CloseHandle(h);
  return std::to_string(info.dwVolumeSerialNumber) + ":" + std::to_string(info.nFileIndexHigh) +
         ":" + std::to_string(info.nFileIndexLow);
}

class RunningProgram : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(program_.Start(TessavelExePath()));
    main_ = program_.FindTopWindow(kMainClass);
    ASSERT_NE(main_, nullptr);
    ASSERT_NE(SourceBox(main_), nullptr);
    ASSERT_NE(ResultsBox(main_), nullptr);
    ASSERT_NE(ExportButton(main_), nullptr);
    ASSERT_EQ(WindowText(ExportButton(main_)), "导出");
  }
  void TearDown() override {
    if (main_) PostMessageA(main_, WM_CLOSE, 0, 0);
    DWORD code = 1;
    EXPECT_TRUE(program_.WaitExit(20000, &code));
    EXPECT_EQ(code, 0u);
  }

  ChildProcess program_;
  HWND main_ = nullptr;
  TempFolder dir_;
};

TEST_F(RunningProgram, AFileDraggedFromAnotherProcessIsLoaded) {
  const std::string file = dir_.File("dragged.txt");
  const std::string contents = "\xD6\xD0\xCE\xC4 from a drag\r\nsecond line\n";
  ASSERT_TRUE(WriteFileBytes(file, B(contents)));
  SendMessageA(SourceBox(main_), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("typed before"));

  // Dropped on the results box: anywhere on the window counts.
  RECT rc;
  GetWindowRect(ResultsBox(main_), &rc);
  const int x = (rc.left + rc.right) / 2, y = (rc.top + rc.bottom) / 2;
  ChildProcess helper;
  ASSERT_TRUE(helper.Start(HelperPath(), std::to_string(x) + " " + std::to_string(y) + " \"" +
                                             file + "\""));
  DWORD code = 99;
  ASSERT_TRUE(helper.WaitExit(60000, &code));
  EXPECT_EQ(code, 0u) << "the drag reached the window and was offered a copy";
  EXPECT_TRUE(WaitUntil([&] { return WindowText(SourceBox(main_)) == contents; }))
      << WindowText(SourceBox(main_));
  EXPECT_EQ(WindowText(ResultsBox(main_)), "") << "the text goes to the source box only";
}

TEST_F(RunningProgram, ExportWritesTheResultsBox) {
  const std::string results = "\xD6\xD0\xCE\xC4|a\r\n\xB1\x7C b\r\n";
  SendMessageA(ResultsBox(main_), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(results.c_str()));
  const std::string path = dir_.File("exported");
  {
    DialogAnswerer answerer(program_.pid(), main_, {path, false, true});
    // Posted: the press runs the modal dialog inside the program.
    PostMessageA(ExportButton(main_), BM_CLICK, 0, 0);
    const DialogSeen& seen = answerer.Seen();
    EXPECT_TRUE(seen.found);
    EXPECT_TRUE(seen.ownerDisabled);
    EXPECT_EQ(seen.fileType, "文本文件(*.txt)");
  }
  EXPECT_TRUE(WaitUntil([&] { return ReadFileBytes(path) == B(results); }));
  EXPECT_FALSE(FileExists(path + ".txt"));
}

// The second copy cannot write over the skin library that the first one has
// loaded; it goes on with the file that stands there.
TEST_F(RunningProgram, ASecondCopyLeavesTheLoadedSkinLibraryAlone) {
  const std::string library = "C:\\Windows\\jedata.dll";
  const std::string skin = "C:\\Windows\\win8.she";
  const std::string libraryBefore = FileIdentity(library);
  const std::string skinBefore = FileIdentity(skin);
  ASSERT_NE(libraryBefore, "");
  const Bytes bytes = ReadFileBytes(library);

  ChildProcess second;
  ASSERT_TRUE(second.Start(TessavelExePath()));
  HWND window = second.FindTopWindow(kMainClass);
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(TopWindowsOf(second.pid(), "#32770").empty()) << "nothing reported";
  EXPECT_EQ(FileIdentity(library), libraryBefore) << "the loaded library was not replaced";
  EXPECT_EQ(ReadFileBytes(library), bytes);
  EXPECT_NE(FileIdentity(skin), skinBefore) << "the skin file, not loaded, was written anew";
  PostMessageA(window, WM_CLOSE, 0, 0);
  DWORD code = 1;
  EXPECT_TRUE(second.WaitExit(20000, &code));
  EXPECT_EQ(code, 0u);
}

}  // namespace
