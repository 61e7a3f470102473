// tessavel.exe driven from another process: the boxes are filled with
// WM_SETTEXT, "提取" is pressed with BM_CLICK and the results box is read back.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "tests/support/test_support.h"

namespace {

const char kMainClass[] = "TessavelMainWindow";

TEST(ExtractProgram, PressingExtractAppendsTheLines) {
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
  HWND extract = ChildAt(group, "Button", 288, 10);  // 按钮1, inside the group box
  ASSERT_NE(extract, nullptr);
  ASSERT_EQ(WindowText(extract), "提取");

  SetTextRemote(source,
          "<li><a href=\"/新闻/1\">第一条</a></li>\r\n"
          "<li><A HREF=\"/news/2\">second</A></li>\n"
          "<li><a href=\"\">empty</a></li>\r\n");
  SetTextRemote(front, "<a href=\"");
  SetTextRemote(back, "\">");
  SetTextRemote(results, "以前的结果\r\n");

  const std::string lines = "/新闻/1\r\n/news/2\r\n";
  const std::string afterOne = "以前的结果\r\n" + lines;
  const std::string afterTwo = afterOne + lines;
  DWORD_PTR ignored;
  SendMessageTimeoutA(extract, BM_CLICK, 0, 0, SMTO_NORMAL, 20000, &ignored);
  EXPECT_TRUE(WaitUntil([&] { return WindowText(results) == afterOne; }));
  EXPECT_EQ(WindowText(results), afterOne);

  SendMessageTimeoutA(extract, BM_CLICK, 0, 0, SMTO_NORMAL, 20000, &ignored);
  EXPECT_TRUE(WaitUntil([&] { return WindowText(results) == afterTwo; }));
  EXPECT_EQ(WindowText(results), afterTwo);
  EXPECT_TRUE(TopWindowsOf(program.pid(), "#32770").empty()) << "nothing is reported";

  PostMessageA(window, WM_CLOSE, 0, 0);
  DWORD code = 1;
  ASSERT_TRUE(program.WaitExit(20000, &code));
  EXPECT_EQ(code, 0u);
}

}  // namespace
