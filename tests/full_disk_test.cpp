// Writes that fail part-way because the disk is full. Run by
// tests/with-full-disk.sh, which mounts a 256 KiB file system as the drive
// named in TESSAVEL_FULL_DISK.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "app/main_window.h"
#include "common/edit_box.h"
#include "common/file_io.h"
#include "tests/support/dialog_answerer.h"
#include "tests/support/test_support.h"

namespace {

Bytes B(const std::string& s) { return Bytes(s.begin(), s.end()); }

std::string FullDrive() {
  const char* drive = std::getenv("TESSAVEL_FULL_DISK");
  return drive ? drive : "";
}

// The files on the drive, by name.
std::vector<std::string> FilesOn(const std::string& drive) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((drive + "\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(fd.cFileName);
  } while (FindNextFileA(h, &fd));
  FindClose(h);
  return names;
}

class FullDiskTest : public testing::Test {
 protected:
  void SetUp() override {
    drive_ = FullDrive();
    if (drive_.empty()) GTEST_SKIP() << "run through tests/with-full-disk.sh";
    ULARGE_INTEGER free{};
    ASSERT_TRUE(GetDiskFreeSpaceExA((drive_ + "\\").c_str(), &free, nullptr, nullptr));
    ASSERT_LT(free.QuadPart, 1024u * 1024u) << "the drive must be small";
    old_ = drive_ + "\\old.txt";
    ASSERT_TRUE(WriteFileBytes(old_, B("the old contents\r\n")));
  }
  void TearDown() override {
    if (!drive_.empty()) DeleteFileA(old_.c_str());
  }

  std::string drive_, old_;
};

TEST_F(FullDiskTest, AWriteThatRunsOutOfSpaceKeepsTheOldFile) {
  const Bytes big(1024 * 1024, 'x');
  EXPECT_FALSE(WriteWholeFile(Text(old_.c_str()), big));
  EXPECT_EQ(ReadFileBytes(old_), B("the old contents\r\n"));
  EXPECT_FALSE(WriteWholeFile(Text((drive_ + "\\new.txt").c_str()), big));
  EXPECT_FALSE(FileExists(drive_ + "\\new.txt"));
  EXPECT_EQ(FilesOn(drive_), std::vector<std::string>{"old.txt"}) << "no temporary file left";
  // The space is there again for a write that fits.
  EXPECT_TRUE(WriteWholeFile(Text(old_.c_str()), B("fits")));
  EXPECT_EQ(ReadFileBytes(old_), B("fits"));
}

TEST_F(FullDiskTest, AnExportThatRunsOutOfSpaceKeepsTheOldFile) {
  const MainWindowEvents events = {[](MainWindow&) {}, nullptr, kFormEvents.exportClicked,
                                   nullptr, nullptr};
  std::unique_ptr<MainWindow> window = MainWindow::Load(GetModuleHandleA(nullptr), events);
  ASSERT_TRUE(window && window->hwnd());
  std::string results;
  while (results.size() < 600 * 1024) results += "\xD6\xD0\xCE\xC4 a result line\r\n";
  SetControlText(window->control(Control::kResultsBox), Text(results.c_str()));
  {
    DialogAnswerer answerer(GetCurrentProcessId(), window->hwnd(), {old_, false, true});
    SendMessageA(window->control(Control::kExportButton), BM_CLICK, 0, 0);
    EXPECT_TRUE(answerer.Seen().asked);
  }
  EXPECT_EQ(ReadFileBytes(old_), B("the old contents\r\n"));
  EXPECT_EQ(FilesOn(drive_), std::vector<std::string>{"old.txt"});
  window.reset();
  PumpMessages();
}

}  // namespace
