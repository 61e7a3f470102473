// tessavel.exe on a system without the platform's regular-expression object
// (CTest runs this program with vbscript=d in WINEDLLOVERRIDES, so that
// "VBScript.RegExp" cannot be created): pressing "提取" still extracts, with
// the built-in engine, and with Windows' rules where Wine's own engine would
// differ; markers that backtrack without end give no lines and leave the
// program working.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "tests/support/test_support.h"

namespace {

const char kMainClass[] = "TessavelMainWindow";

TEST(BuiltinEngineProgram, ExtractsWithoutThePlatformEngine) {
  ChildProcess program;
  ASSERT_TRUE(program.Start(TessavelExePath()));
  HWND window = program.FindTopWindow(kMainClass);
  ASSERT_NE(window, nullptr);
  HWND source = ChildAt(window, "Edit", 2, 104);   // 编辑框1
  HWND front = ChildAt(window, "Edit", 64, 200);   // 编辑框2
  HWND back = ChildAt(window, "Edit", 272, 200);   // 编辑框3
  HWND results = ChildAt(window, "Edit", 6, 277);  // 编辑框4
  HWND group = ChildAt(window, "Button", 6, 224);  // 分组框1
  ASSERT_TRUE(source && front && back && results && group);
  HWND extract = ChildAt(group, "Button", 288, 10);  // 按钮1
  ASSERT_NE(extract, nullptr);

  const std::string longLine(20000, 'a');
  struct Case {
    const char* what;
    std::string source, front, back, lines;
  } cases[] = {
      {"the ordinary case", "<b>one</b> and <B>two</B>", "<b>", "</b>", "one\r\ntwo\r\n"},
      // letter case folded beyond ASCII (Wine's own engine folds ASCII only)
      {"Cyrillic letters ignoring case", "ПРИВЕТ", "п", "и", "Р\r\n"},
      // "\s" is the six ASCII spaces (Wine's own engine also takes U+3000)
      {"\\s without the ideographic space", "x　yz\r\nx yz", "x\\s", "z", "y\r\n"},
      // backtracking without end: no line, and the next press works
      {"(a+)+b over a long line", longLine, "(a+)+b", "", ""},
      {"(a+)+(b|c) over a long line", longLine, "(a+)+(b|c)", "", ""},
      {"an invalid marker", "a(b", "a(", "", ""},
  };
  for (const Case& c : cases) {
    SetTextRemote(results, "");
    SetTextRemote(source, c.source);
    SetTextRemote(front, c.front);
    SetTextRemote(back, c.back);
    DWORD_PTR ignored;
    // The press runs inside the click: when the message returns, the
    // command has finished.
    ASSERT_NE(0, SendMessageTimeoutA(extract, BM_CLICK, 0, 0, SMTO_NORMAL, 60000, &ignored)) << c.what;
    if (!c.lines.empty()) WaitUntil([&] { return WindowText(results) == c.lines; });
    EXPECT_EQ(c.lines, WindowText(results)) << c.what;
  }
  EXPECT_TRUE(TopWindowsOf(program.pid(), "#32770").empty()) << "nothing is reported";

  PostMessageA(window, WM_CLOSE, 0, 0);
  DWORD code = 1;
  ASSERT_TRUE(program.WaitExit(20000, &code));
  EXPECT_EQ(0u, code);
}

}  // namespace
