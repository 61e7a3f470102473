// The Export command on a real MainWindow: "导出" pressed, Wine's real save
// dialog answered by a helper thread, the file checked byte for byte.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>

#include "app/main_window.h"
#include "common/edit_box.h"
#include "common/scoped.h"
#include "tests/support/dialog_answerer.h"
#include "tests/support/test_support.h"

namespace {

const MainWindowEvents kExportEvents = {
    [](MainWindow&) {}, nullptr, kFormEvents.exportClicked, nullptr, nullptr,
};

Bytes B(const std::string& s) { return Bytes(s.begin(), s.end()); }

// Results as the Extract command leaves them: GBK, every line ended by CR LF.
const char kResults[] = "\xD6\xD0\xCE\xC4 one\r\ntwo|\x81\x7C\r\n";

class ExportTest : public testing::Test {
 protected:
  void SetUp() override {
    window_ = MainWindow::Load(GetModuleHandleA(nullptr), kExportEvents);
    ASSERT_TRUE(window_ && window_->hwnd());
    PumpMessages();
  }
  void TearDown() override {
    window_.reset();
    PumpMessages();
  }

  HWND results() const { return window_->control(Control::kResultsBox); }

  // Presses "导出" and answers the dialog; returns what the dialog showed.
  DialogSeen Export(const DialogAnswer& answer) {
    DialogAnswerer answerer(GetCurrentProcessId(), window_->hwnd(), answer);
    SendMessageA(window_->control(Control::kExportButton), BM_CLICK, 0, 0);
    DialogSeen seen = answerer.Seen();
    EXPECT_TRUE(seen.found);
    EXPECT_TRUE(seen.closed);
    EXPECT_TRUE(IsWindowEnabled(window_->hwnd())) << "the owner is enabled again";
    return seen;
  }

  std::unique_ptr<MainWindow> window_;
  TempFolder dir_;
};

TEST_F(ExportTest, TheSaveDialogAndItsSettings) {
  SetControlText(results(), Text(kResults));
  DialogSeen seen = Export({dir_.File("first"), false, true});
  // The press put the focus on the button; it is there again afterwards.
  EXPECT_EQ(GetFocus(), window_->control(Control::kExportButton));
  EXPECT_TRUE(seen.ownerDisabled) << "modal to the main window";
  EXPECT_EQ(seen.fileType, "文本文件(*.txt)");
  EXPECT_EQ(seen.nameBox, "") << "nothing chosen yet";
  EXPECT_FALSE(seen.asked);
  FileDialog& dialog = window_->fileDialog();
  EXPECT_EQ(dialog.kind(), 1);
  EXPECT_EQ(dialog.filter(), Text("文本文件(*.txt)|*.txt|"));
  EXPECT_EQ(dialog.filterIndex(), 0);
  EXPECT_TRUE(dialog.title().IsEmpty());
  EXPECT_TRUE(dialog.defaultExtension().IsEmpty());
  EXPECT_EQ(dialog.fileName(), Text(dir_.File("first").c_str()));
  // A name without extension is used exactly as typed, and the bytes are
  // those of the box: GBK, CR LF, no mark, no NUL.
  EXPECT_EQ(ReadFileBytes(dir_.File("first")), B(kResults));
  EXPECT_FALSE(FileExists(dir_.File("first.txt")));
}

TEST_F(ExportTest, CancelWritesNothingAndKeepsTheName) {
  SetControlText(results(), Text(kResults));
  DialogSeen seen = Export({dir_.File("never.txt"), true, true});
  EXPECT_FALSE(FileExists(dir_.File("never.txt")));
  EXPECT_TRUE(window_->fileDialog().fileName().IsEmpty());
  // Confirm once, cancel the next time: the name stays the confirmed one,
  // and the dialog after that shows the same name box again.
  Export({dir_.File("kept.txt"), false, true});
  DialogSeen second = Export({"", true, true});
  DialogSeen third = Export({"", true, true});
  EXPECT_EQ(window_->fileDialog().fileName(), Text(dir_.File("kept.txt").c_str()));
  EXPECT_EQ(second.nameBox, third.nameBox);
  EXPECT_EQ(GetControlText(results()), Text(kResults)) << "the export never changes the box";
}

TEST_F(ExportTest, SecondExportStartsFromThePreviousPathAndReplacesWhole) {
  const std::string path = dir_.File("results.txt");
  ASSERT_TRUE(WriteFileBytes(path, Bytes(10000, 'o')));
  SetControlText(results(), Text("short\r\n"));
  DialogSeen first = Export({path, false, true});
  EXPECT_TRUE(first.asked) << "an existing file is replaced only after a question";
  EXPECT_EQ(ReadFileBytes(path), B("short\r\n")) << "replaced whole, never appended to";

  // Nothing typed: the name box holds the previous choice.
  SetControlText(results(), Text(kResults));
  DialogSeen second = Export({"", false, true});
  EXPECT_NE(second.nameBox, "");
  EXPECT_NE(std::string(path).find(second.nameBox), std::string::npos) << second.nameBox;
  EXPECT_TRUE(second.asked);
  EXPECT_EQ(ReadFileBytes(path), B(kResults));

  // Saying no to the question leaves the file as it is.
  SetControlText(results(), Text("not written"));
  DialogSeen third = Export({"", false, false});
  EXPECT_TRUE(third.asked);
  EXPECT_EQ(ReadFileBytes(path), B(kResults));
}

TEST_F(ExportTest, EmptyResultsGiveAnEmptyFile) {
  const std::string path = dir_.File("empty.txt");
  ASSERT_TRUE(WriteFileBytes(path, B("old")));
  SetControlText(results(), Text(""));
  Export({path, false, true});
  EXPECT_TRUE(FileExists(path));
  EXPECT_TRUE(ReadFileBytes(path).empty());
  Export({dir_.File("new-empty.txt"), false, true});
  EXPECT_TRUE(FileExists(dir_.File("new-empty.txt")));
  EXPECT_TRUE(ReadFileBytes(dir_.File("new-empty.txt")).empty());
}

TEST_F(ExportTest, ReadOnlyOrHeldTargetsAreLeftUntouched) {
  SetControlText(results(), Text(kResults));
  const std::string readOnly = dir_.File("readonly.txt");
  ASSERT_TRUE(WriteFileBytes(readOnly, B("keep me")));
  ASSERT_TRUE(SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
  Export({readOnly, false, true});
  SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(ReadFileBytes(readOnly), B("keep me"));

  const std::string held = dir_.File("held.txt");
  ASSERT_TRUE(WriteFileBytes(held, B("held")));
  {
    ScopedHandle other(CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                                   nullptr));
    ASSERT_TRUE(other.valid());
    Export({held, false, true});
  }
  EXPECT_EQ(ReadFileBytes(held), B("held"));
}

}  // namespace
