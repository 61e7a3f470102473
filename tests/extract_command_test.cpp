// The Extract command in a real MainWindow, pressed with BM_CLICK: a table of
// (source, front, back, results before, results after), and the state of the
// results box after a press.
//
// Expectations are those of Windows' engine. Cases that depend on where Wine's
// engine differs from it run only when the engine in use is not Wine's. The
// same program can run a second time with the platform engine switched off.
#include <gtest/gtest.h>
#include <windows.h>
#include <objbase.h>

#include <memory>
#include <string>

#include "app/main_window.h"
#include "common/edit_box.h"
#include "extract/automation.h"
#include "extract/extract_command.h"
#include "tests/support/test_support.h"

namespace {

bool RunningUnderWine() {
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

// True when "VBScript.RegExp" is Wine's own engine: its "." refuses CR as
// well, so some of Windows' results cannot be had from it.
bool WinesEngineInUse() {
  if (!RunningUnderWine()) return false;
  ScopedOleInitialize ole;
  ComPtr<IUnknown> engine;
  return CreateObjectByProgId("VBScript.RegExp", &engine);
}

void NoHandler(MainWindow&) {}

// The form's own binding of 按钮1, without the skin of the created handler.
MainWindowEvents TestEvents() {
  return {NoHandler, kFormEvents.extractClicked, nullptr, nullptr, nullptr};
}

struct Selection {
  DWORD start = 0, end = 0;
  bool operator==(const Selection& o) const { return start == o.start && end == o.end; }
};

Selection GetSelection(HWND box) {
  Selection s;
  SendMessageA(box, EM_GETSEL, reinterpret_cast<WPARAM>(&s.start), reinterpret_cast<LPARAM>(&s.end));
  return s;
}

// The end of the text in the box's own units of position. An ANSI edit
// control counts bytes on Windows and UTF-16 units under Wine; both clamp a
// position past the end to the end.
DWORD EndPosition(HWND box) {
  Selection keep = GetSelection(box);
  SendMessageA(box, EM_SETSEL, 0x7FFFFFFE, 0x7FFFFFFE);
  DWORD end = GetSelection(box).end;
  SendMessageA(box, EM_SETSEL, keep.start, keep.end);
  return end;
}

// True when the line of the caret is among the lines the box shows.
bool CaretLineVisible(HWND box) {
  const Selection s = GetSelection(box);
  const LRESULT caretLine = SendMessageA(box, EM_LINEFROMCHAR, s.end, 0);
  const LRESULT first = SendMessageA(box, EM_GETFIRSTVISIBLELINE, 0, 0);
  RECT rc;
  SendMessageA(box, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&rc));
  HDC dc = GetDC(box);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(box, WM_GETFONT, 0, 0)));
  TEXTMETRICA tm{};
  GetTextMetricsA(dc, &tm);
  SelectObject(dc, old);
  ReleaseDC(box, dc);
  const LONG shown = (rc.bottom - rc.top) / (tm.tmHeight > 0 ? tm.tmHeight : 1);
  return caretLine >= first && caretLine < first + shown;
}

class ExtractCommandTest : public testing::Test {
 protected:
  void SetUp() override {
    events_ = TestEvents();
    window_ = MainWindow::Load(GetModuleHandleA(nullptr), events_);
    ASSERT_TRUE(window_ && window_->hwnd());
    PumpMessages();
  }
  void TearDown() override {
    window_.reset();
    PumpMessages();
  }

  HWND box(Control c) const { return window_->control(c); }

  void Press() {
    SendMessageA(box(Control::kExtractButton), BM_CLICK, 0, 0);
    PumpMessages();
  }

  MainWindowEvents events_;
  std::unique_ptr<MainWindow> window_;
};

struct ExtractCase {
  const char* name;
  const char* source;
  const char* front;
  const char* back;
  const char* existing;  // the results box before the first press
  const char* expected;  // the results box after the presses
  int presses = 1;
  bool selectExisting = false;  // the user selected all of the old results
  bool windowsEngineOnly = false;
};

const ExtractCase kCases[] = {
    {"ordinary, letter case ignored", "<b>one</b> and <B>two</B>", "<b>", "</b>", "",
     "one\r\ntwo\r\n"},
    {"presses accumulate", "<b>one</b> and <B>two</B>", "<b>", "</b>", "",
     "one\r\ntwo\r\none\r\ntwo\r\n", 2},
    {"old results and the user's selection stay", "<b>one</b>", "<b>", "</b>", "旧行\r\nold",
     "旧行\r\noldone\r\n", 1, true},
    {"no match keeps the results and the selection", "<b>one</b>", "<i>", "</i>", "keep\r\n",
     "keep\r\n", 1, true},
    {"empty source", "", "<b>", "</b>", "keep\r\n", "keep\r\n"},
    {"empty source and markers", "", "", "", "keep\r\n", "keep\r\n"},
    {"markers on different lines", "<b>one\r\n</b>", "<b>", "</b>", "", ""},
    {"back marker right after the front marker", "<b></b>x</b>", "<b>", "</b>", "",
     "</b>x\r\n"},
    {"no further back marker on that line", "<b></b>\r\nx</b>", "<b>", "</b>", "", ""},
    {"repeated front markers", "<b>a<b>c</b>", "<b>", "</b>", "", "a<b>c\r\n"},
    {"only a back marker", "x<b>one</b>two</b>", "", "</b>", "", "x<b>one\r\ntwo\r\n"},
    {"only a back marker, line by line", "ab;\r\ncd;", "", ";", "", "ab\r\ncd\r\n"},
    {"only a front marker", "a=1;b=2", "=", "", "", "1\r\n2\r\n"},
    {"only a front marker, at the very end", "a=1;b=", "=", "", "", "1\r\n"},
    {"both markers empty", "ab中", "", "", "", "a\r\nb\r\n中\r\n"},
    {"both markers empty, LF", "a\nb", "", "", "", "a\r\nb\r\n"},
    {"both markers empty, CR LF: the dot takes CR", "a\r\nb", "", "", "",
     "a\r\n\r\r\nb\r\n", 1, false, true},
    {"a dot in a marker", "abc1;", "a.c", ";", "", "1\r\n"},
    {"\\d in a marker", "x5y;", "\\d", ";", "", "y\r\n"},
    {"a group in the front marker", "<b>x</b>", "(<b>)", "</b>", "", "<b>x\r\n"},
    {"two groups in the front marker", "abX;", "(a)(b)", ";", "", "ab\r\n"},
    {"a group in the back marker is group 2", "ab;", "a", "(;)", "", "b;\r\n"},
    {"a lone ( gives nothing", "(x)", "(", "", "keep", "keep"},
    {"a lone [ gives nothing", "[x]", "[", "]", "keep", "keep"},
    {"#引号 matched as written", "#引号x#引号 \"y\"", "#引号", "#引号", "", "x\r\n"},
    {"Chinese markers and text", "前中文后 前a后，前后后", "前", "后", "",
     "中文\r\na\r\n后\r\n"},
    {"Chinese between ASCII markers", "<中>x<文字>", "<", ">", "", "中\r\n文字\r\n"},
    {"LF-only source", "<b>1</b>\n<b>2</b>\n", "<b>", "</b>", "", "1\r\n2\r\n"},
    {"CR LF source", "<b>1</b>\r\n<b>2</b>\r\n", "<b>", "</b>", "", "1\r\n2\r\n"},
    {"$ as back marker before CR LF", "k=1\r\nk=22\r\n", "k=", "$", "", "1\r\n22\r\n"},
};

TEST_F(ExtractCommandTest, Cases) {
  const bool winesEngine = WinesEngineInUse();
  HWND results = box(Control::kResultsBox);
  for (const ExtractCase& c : kCases) {
    SCOPED_TRACE(c.name);
    if (c.windowsEngineOnly && winesEngine) {
      std::printf("[ SKIPPED  ] \"%s\": needs Windows' engine, not Wine's\n", c.name);
      continue;
    }
    SetControlText(box(Control::kSourceBox), c.source);
    SetControlText(box(Control::kFrontBox), c.front);
    SetControlText(box(Control::kBackBox), c.back);
    SetControlText(results, c.existing);
    SendMessageA(results, EM_SETSEL, c.selectExisting ? 0 : 1, c.selectExisting ? -1 : 1);
    const Selection before = GetSelection(results);

    for (int i = 0; i < c.presses; ++i) Press();

    EXPECT_EQ(WindowText(results), c.expected);
    EXPECT_EQ(WindowText(box(Control::kSourceBox)), c.source) << "the source stays as it was";
    if (std::string(c.expected) == c.existing) {
      EXPECT_EQ(GetSelection(results), before) << "nothing appended, nothing touched";
    } else {
      const Selection after = GetSelection(results);
      EXPECT_EQ(after.start, after.end) << "the selection became the caret";
      EXPECT_EQ(after.end, EndPosition(results)) << "the caret after the new text";
      EXPECT_TRUE(CaretLineVisible(results)) << "the end in view";
      EXPECT_EQ(SendMessageA(results, EM_CANUNDO, 0, 0), 0) << "no undo record";
    }
  }
  EXPECT_TRUE(TopWindowsOf(GetCurrentProcessId(), "#32770").empty()) << "nothing is reported";
}

// Many matches in a box that scrolls: every line arrives in order and the end
// is shown.
TEST_F(ExtractCommandTest, ManyMatchesScrollToTheEnd) {
  std::string source, expected;
  for (int i = 0; i < 3000; ++i) {
    const std::string n = std::to_string(i);
    source += "<a href=\"页" + n + "\">链接</a>\r\n";
    expected += "页" + n + "\r\n";
  }
  SetControlText(box(Control::kSourceBox), Text(std::string_view(source)));
  SetControlText(box(Control::kFrontBox), "<a href=\"");
  SetControlText(box(Control::kBackBox), "\">");
  Press();
  HWND results = box(Control::kResultsBox);
  EXPECT_EQ(WindowText(results), expected);
  EXPECT_TRUE(CaretLineVisible(results));
  EXPECT_GT(SendMessageA(results, EM_GETFIRSTVISIBLELINE, 0, 0), 2900);
}

// Lines collected and appended in chunks leave a box exactly as appending
// them one by one does: text, selection, scroll position, undo.
TEST(AppendLines, EndsLikeOneAppendPerLine) {
  const DWORD style = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | ES_LEFT | ES_MULTILINE |
                      ES_AUTOVSCROLL | ES_WANTRETURN;
  HWND parent = CreateWindowExA(0, "STATIC", "", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 900,
                                300, nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(parent);
  HWND oneByOne = CreateWindowExA(0, "EDIT", "", style, 0, 0, 431, 120, parent, nullptr,
                                  nullptr, nullptr);
  HWND collected = CreateWindowExA(0, "EDIT", "", style, 440, 0, 431, 120, parent, nullptr,
                                   nullptr, nullptr);
  for (HWND b : {oneByOne, collected}) {
    SendMessageA(b, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), 0);
    SendMessageA(b, EM_LIMITTEXT, 0, 0);
  }

  const size_t chunks[] = {1, 64, kAppendChunkBytes};
  for (size_t chunk : chunks) {
    SCOPED_TRACE(chunk);
    for (HWND b : {oneByOne, collected}) {
      SetControlText(b, "旧的结果\r\nold line without end");
      SendMessageA(b, EM_SETSEL, 2, 9);  // the user's selection
      SendMessageA(b, EM_EMPTYUNDOBUFFER, 0, 0);
    }
    std::string lines;
    for (int i = 0; i < 40; ++i) {
      // A line may hold a line break of its own (a group of the front marker
      // can match one); chunks still end only after a line feed.
      const std::string line =
          std::string(i % 3 ? "第" : "x") + std::to_string(i) + (i % 7 ? "" : "\r\n内") + "\r\n";
      AppendText(oneByOne, Text(line.c_str()));
      lines += line;
    }
    AppendLines(collected, lines, chunk);
    PumpMessages();
    EXPECT_EQ(WindowText(collected), WindowText(oneByOne));
    EXPECT_EQ(GetSelection(collected), GetSelection(oneByOne));
    EXPECT_EQ(SendMessageA(collected, EM_GETFIRSTVISIBLELINE, 0, 0),
              SendMessageA(oneByOne, EM_GETFIRSTVISIBLELINE, 0, 0));
    EXPECT_EQ(SendMessageA(collected, EM_CANUNDO, 0, 0), SendMessageA(oneByOne, EM_CANUNDO, 0, 0));
    EXPECT_EQ(GetScrollPos(collected, SB_VERT), GetScrollPos(oneByOne, SB_VERT));
  }
  // Nothing to append touches nothing.
  SendMessageA(collected, EM_SETSEL, 1, 3);
  const std::string before = WindowText(collected);
  AppendLines(collected, "");
  EXPECT_EQ(WindowText(collected), before);
  EXPECT_EQ(GetSelection(collected), (Selection{1, 3}));
  DestroyWindow(parent);
}

}  // namespace
