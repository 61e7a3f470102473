// MainWindow loaded in the test process: the form read back from the real
// windows, the keys through a real message loop, the focus memory, the
// banner and the icons.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>

#include "app/banner.h"
#include "app/embedded.h"
#include "app/main_window.h"
#include "app/resource_ids.h"
#include "common/edit_box.h"
#include "common/scoped.h"
#include "tests/support/test_support.h"

namespace {

struct EventLog {
  int created = 0;
  bool visibleWhenCreated = true;
  int extract = 0;
  int exportResults = 0;
  int banner = 0;
} gLog;

#ifdef TESSAVEL_SKIN_LIBRARY_HOST_PATH
// Built a second time as main_window_skinned_test: the created event attaches
// the skin library and the skin file the program carries, as the program's
// created handler does, and the library is freed after the window is gone.
HMODULE gSkinLibrary = nullptr;
int gSkinResult = -1;

void AttachTestSkin() {
  gSkinLibrary = LoadLibraryA(HostPathToWindows(TESSAVEL_SKIN_LIBRARY_HOST_PATH).c_str());
  auto attach = reinterpret_cast<int(__stdcall*)(const char*, const char*)>(
      reinterpret_cast<void*>(GetProcAddress(gSkinLibrary, "SkinH_AttachEx")));
  gSkinResult =
      attach ? attach(HostPathToWindows(TESSAVEL_SKIN_FILE_HOST_PATH).c_str(), "") : -1;
}
void ReleaseTestSkin() {
  if (gSkinLibrary) FreeLibrary(gSkinLibrary);
  gSkinLibrary = nullptr;
}
// The skin's window face: the first colour of the file, after its 8-byte header.
COLORREF FaceColour() {
  Bytes skin = ReadFileBytes(HostPathToWindows(TESSAVEL_SKIN_FILE_HOST_PATH));
  return skin.size() < 12 ? CLR_INVALID : RGB(skin[8], skin[9], skin[10]);
}
#else
void AttachTestSkin() {}
void ReleaseTestSkin() {}
COLORREF FaceColour() { return GetSysColor(COLOR_BTNFACE); }
#endif

const MainWindowEvents kTestEvents = {
    [](MainWindow& w) {
      ++gLog.created;
      gLog.visibleWhenCreated = IsWindowVisible(w.hwnd()) != FALSE;
      AttachTestSkin();
    },
    [](MainWindow&) { ++gLog.extract; },
    [](MainWindow&) { ++gLog.exportResults; },
    [](MainWindow&) { ++gLog.banner; },
    nullptr,
};

class MainWindowTest : public testing::Test {
 protected:
  void SetUp() override {
    gLog = EventLog{};
    window_ = MainWindow::Load(GetModuleHandleA(nullptr), kTestEvents);
    ASSERT_TRUE(window_);
    ASSERT_TRUE(window_->hwnd());
#ifdef TESSAVEL_SKIN_LIBRARY_HOST_PATH
    ASSERT_EQ(gSkinResult, 0) << "the skin attached";
#endif
    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == window_->hwnd(); }));
    PumpMessages();
  }
  void TearDown() override {
    window_.reset();
    PumpMessages();
    ReleaseTestSkin();
  }

  HWND hwnd() const { return window_->hwnd(); }
  HWND control(Control c) const { return window_->control(c); }

  // Presses a key as the user would: real keyboard input, taken through the
  // program's own pre-translation by the loop below.
  void PressKey(WORD vk, bool shift = false, bool alt = false) {
    std::vector<INPUT> in;
    auto key = [&](WORD k, bool up) {
      INPUT i{};
      i.type = INPUT_KEYBOARD;
      i.ki.wVk = k;
      i.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
      in.push_back(i);
    };
    if (shift) key(VK_SHIFT, false);
    if (alt) key(VK_MENU, false);
    key(vk, false);
    key(vk, true);
    if (alt) key(VK_MENU, true);
    if (shift) key(VK_SHIFT, true);
    SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT));
    RunLoopBriefly();
  }

  // The program's message loop, run until the input queue is empty.
  void RunLoopBriefly() {
    const ULONGLONG end = GetTickCount64() + 300;
    while (GetTickCount64() < end) {
      MSG msg;
      while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) continue;
        if (window_->PreTranslateMessage(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
      }
      Sleep(5);
    }
  }

  std::unique_ptr<MainWindow> window_;
};

TEST_F(MainWindowTest, WindowSettings) {
  EXPECT_EQ(gLog.created, 1);
  EXPECT_FALSE(gLog.visibleWhenCreated) << "the created event runs while the window is hidden";
  EXPECT_TRUE(IsWindowVisible(hwnd()));

  EXPECT_EQ(WindowText(hwnd()), "Tessavel工具 - Brunmoor - https://brunmoor.example/");
  const LONG style = GetWindowLongA(hwnd(), GWL_STYLE);
  EXPECT_TRUE(style & WS_CAPTION);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_TRUE(style & WS_CLIPCHILDREN);
  EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_POPUP | WS_CHILD));
  EXPECT_EQ(GetWindowLongA(hwnd(), GWL_EXSTYLE) & ~WS_EX_WINDOWEDGE, 0);
  EXPECT_EQ(GetWindow(hwnd(), GW_OWNER), nullptr);
  EXPECT_EQ(GetMenu(hwnd()), nullptr);

  RECT rc;
  GetWindowRect(hwnd(), &rc);
  EXPECT_EQ(rc.right - rc.left, 450);
  EXPECT_EQ(rc.bottom - rc.top, 427);
  EXPECT_EQ(rc.left, (GetSystemMetrics(SM_CXSCREEN) - 450) / 2);
  EXPECT_EQ(rc.top, (GetSystemMetrics(SM_CYSCREEN) - 427) / 2);

  EXPECT_NE(SendMessageA(hwnd(), WM_GETICON, ICON_BIG, 0), 0);
  EXPECT_NE(SendMessageA(hwnd(), WM_GETICON, ICON_SMALL, 0), 0);
}

TEST_F(MainWindowTest, EveryControlOfTheForm) {
  constexpr DWORD kChild = WS_CHILD | WS_CLIPSIBLINGS | WS_VISIBLE;
  constexpr DWORD kMulti = kChild | WS_TABSTOP | WS_BORDER | WS_VSCROLL | ES_MULTILINE |
                           ES_AUTOVSCROLL | ES_WANTRETURN;
  constexpr DWORD kSingle = kChild | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL;
  constexpr DWORD kButton = kChild | WS_TABSTOP | BS_PUSHBUTTON | BS_CENTER | BS_VCENTER |
                            BS_MULTILINE;
  struct {
    Control id;
    const char* cls;  // NULL: a class of the program's own
    bool inGroup;
    int left, top, width, height;
    const char* text;
    DWORD style;
    bool enabled;
  } cases[] = {
      {Control::kFrontBox, "Edit", false, 64, 200, 128, 24, "", kSingle, true},
      {Control::kBackBox, "Edit", false, 272, 200, 144, 24, "", kSingle, true},
      {Control::kBanner, nullptr, false, -5, 0, 450, 100, "", kChild, true},
      {Control::kSourceBox, "Edit", false, 2, 104, 440, 88, "", kMulti, true},
      {Control::kFrontLabel, nullptr, false, 16, 200, 40, 24, "前索引：", kChild, true},
      {Control::kBackLabel, nullptr, false, 216, 200, 40, 24, "后索引：", kChild, true},
      {Control::kGroup, "Button", false, 6, 224, 432, 40, "", kChild | BS_GROUPBOX | BS_LEFT,
       true},
      {Control::kExtractButton, "Button", true, 288, 10, 136, 25, "提取", kButton, true},
      {Control::kExportButton, "Button", true, 154, 10, 128, 25, "导出", kButton, true},
      {Control::kResultsBox, "Edit", false, 6, 277, 431, 120, "", kMulti, true},
      {Control::kCreditLabel, nullptr, true, 12, 16, 134, 15, "— 2014·Brunmoor'天空 —",
       kChild | WS_DISABLED, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.id));
    HWND h = control(c.id);
    ASSERT_NE(h, nullptr);
    char cls[64] = {};
    GetClassNameA(h, cls, sizeof cls);
    if (c.cls) {
      EXPECT_EQ(lstrcmpiA(cls, c.cls), 0) << cls;
    }
    HWND parent = c.inGroup ? control(Control::kGroup) : hwnd();
    EXPECT_EQ(GetParent(h), parent);
    RECT rc;
    GetWindowRect(h, &rc);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rc), 2);
    EXPECT_EQ(rc.left, c.left);
    EXPECT_EQ(rc.top, c.top);
    EXPECT_EQ(rc.right - rc.left, c.width);
    EXPECT_EQ(rc.bottom - rc.top, c.height);
    EXPECT_EQ(WindowText(h), c.text);
    // An edit box takes WS_BORDER off its style and draws the thin border itself.
    DWORD expected = c.cls && lstrcmpiA(c.cls, "Edit") == 0 ? c.style & ~WS_BORDER : c.style;
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(h, GWL_STYLE)), expected);
    EXPECT_EQ(GetWindowLongA(h, GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0) << "no 3-D edge";
    EXPECT_EQ(IsWindowEnabled(h) != FALSE, c.enabled);
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(h, WM_GETFONT, 0, 0)),
              GetStockObject(DEFAULT_GUI_FONT));
  }
}

TEST_F(MainWindowTest, EditBoxesTakeLongTextsInBlackOnWhite) {
  for (Control c : {Control::kFrontBox, Control::kBackBox, Control::kSourceBox,
                    Control::kResultsBox}) {
    HWND box = control(c);
    EXPECT_GE(static_cast<DWORD>(SendMessageA(box, EM_GETLIMITTEXT, 0, 0)), 0x7FFFFFFEu);
    std::string longText;
    while (longText.size() < 70000) longText += "0123456789 abcdefghijklmnopqrstuvwxyz\r\n";
    SetControlText(box, Text(longText.c_str()));
    EXPECT_EQ(GetControlText(box).Length(), longText.size());
    SetControlText(box, Text(""));
    EXPECT_TRUE(GetControlText(box).IsAbsent()) << "an empty box reads as the absent text";

    ScopedGetDC dc(box);
    SetTextColor(dc.get(), RGB(1, 2, 3));
    HBRUSH brush = reinterpret_cast<HBRUSH>(
        SendMessageA(hwnd(), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc.get()),
                     reinterpret_cast<LPARAM>(box)));
    LOGBRUSH lb{};
    ASSERT_TRUE(GetObjectA(brush, sizeof lb, &lb));
    EXPECT_EQ(lb.lbColor, RGB(255, 255, 255));
    EXPECT_EQ(GetTextColor(dc.get()), RGB(0, 0, 0));
    EXPECT_EQ(GetBkColor(dc.get()), RGB(255, 255, 255));
  }
}

TEST_F(MainWindowTest, LabelsArePaintedBlackOnTheFace) {
  for (Control c : {Control::kFrontLabel, Control::kCreditLabel}) {
    HWND label = control(c);
    RedrawWindow(label, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    RECT rc;
    GetClientRect(label, &rc);
    ScopedGetDC dc(label);
    const COLORREF faceColour = FaceColour();
    int dark = 0, face = 0;
    for (int y = 0; y < rc.bottom; ++y) {
      for (int x = 0; x < rc.right; ++x) {
        COLORREF p = GetPixel(dc.get(), x, y);
        // Smoothed thin strokes are dark grey rather than pure black.
        if (GetRValue(p) + GetGValue(p) + GetBValue(p) < 3 * 110) ++dark;
        if (p == faceColour) ++face;
      }
    }
    EXPECT_GT(dark, 10) << "text drawn in black, also when disabled: " << static_cast<int>(c);
    EXPECT_GT(face, rc.right * rc.bottom / 2);
  }
}

TEST_F(MainWindowTest, FocusOrderTabShiftTabAndWrapping) {
  const Control order[] = {Control::kFrontBox,      Control::kBackBox,
                           Control::kSourceBox,     Control::kExtractButton,
                           Control::kExportButton,  Control::kResultsBox};
  EXPECT_EQ(GetFocus(), control(Control::kFrontBox)) << "first of the focus order";
  for (int i = 1; i <= 6; ++i) {
    PressKey(VK_TAB);
    EXPECT_EQ(GetFocus(), control(order[i % 6])) << i;
  }
  for (int i = 5; i >= 0; --i) {
    PressKey(VK_TAB, /*shift=*/true);
    EXPECT_EQ(GetFocus(), control(order[(i + 6) % 6])) << i;
  }
  // Tab inside a multi-line box moves on and never types a tab.
  SetFocus(control(Control::kSourceBox));
  SetControlText(control(Control::kSourceBox), Text("abc"));
  PressKey(VK_TAB);
  EXPECT_EQ(GetFocus(), control(Control::kExtractButton));
  EXPECT_EQ(GetControlText(control(Control::kSourceBox)), Text("abc"));
  // Moving the focus changes no selection.
  SendMessageA(control(Control::kSourceBox), EM_SETSEL, 1, 2);
  SetFocus(control(Control::kBackBox));
  PressKey(VK_TAB);
  DWORD start = 0, end = 0;
  SendMessageA(control(Control::kSourceBox), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
               reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 1u);
  EXPECT_EQ(end, 2u);
  // From outside the order Tab goes to the first, Shift+Tab to the last.
  SetFocus(hwnd());
  PressKey(VK_TAB);
  EXPECT_EQ(GetFocus(), control(Control::kFrontBox));
  SetFocus(hwnd());
  PressKey(VK_TAB, true);
  EXPECT_EQ(GetFocus(), control(Control::kResultsBox));
}

TEST_F(MainWindowTest, EnterNeverPressesAButton) {
  for (Control c : {Control::kFrontBox, Control::kBackBox}) {
    SetFocus(control(c));
    PressKey(VK_RETURN);
    EXPECT_EQ(GetFocus(), control(c));
  }
  EXPECT_EQ(gLog.extract, 0);
  EXPECT_EQ(gLog.exportResults, 0);
  // In a multi-line box Enter starts a new line.
  SetFocus(control(Control::kSourceBox));
  SendMessageA(control(Control::kSourceBox), EM_SETSEL, 0, 0);
  PressKey(VK_RETURN);
  EXPECT_EQ(GetControlText(control(Control::kSourceBox)), Text("\r\n"));
  // A button pressed by Space is a click.
  SetFocus(control(Control::kExtractButton));
  PressKey(VK_SPACE);
  EXPECT_EQ(gLog.extract, 1);
}

TEST_F(MainWindowTest, FocusComesBackAfterActivation) {
  SetFocus(control(Control::kSourceBox));
  HWND other = CreateWindowExA(0, "STATIC", "other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200,
                               100, nullptr, nullptr, nullptr, nullptr);
  SetForegroundWindow(other);
  ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == other; }));
  SetForegroundWindow(hwnd());
  ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == hwnd(); }));
  EXPECT_EQ(GetFocus(), control(Control::kSourceBox));
  DestroyWindow(other);
}

TEST_F(MainWindowTest, EscClosesFromAnyControl) {
  SetFocus(control(Control::kResultsBox));
  SetControlText(control(Control::kResultsBox), Text("unsaved"));
  PressKey(VK_ESCAPE);
  EXPECT_EQ(window_->hwnd(), nullptr) << "closed at once, without a question";
}

TEST_F(MainWindowTest, BannerPressOpensOnceAndLabelsTakeNoClick) {
  HWND banner = control(Control::kBanner);
  SendMessageA(banner, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
  SendMessageA(banner, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
  SendMessageA(banner, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(10, 10));
  SendMessageA(banner, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
  EXPECT_EQ(gLog.banner, 1);
  WNDCLASSA wc{};
  char cls[64];
  GetClassNameA(banner, cls, sizeof cls);
  ASSERT_TRUE(GetClassInfoA(GetModuleHandleA(nullptr), cls, &wc));
  EXPECT_TRUE(wc.style & CS_DBLCLKS) << "a double click is its own message";
}

TEST(BannerPicture, DecodesTo450By114) {
  EmbeddedBlock block = FindEmbeddedBlock(GetModuleHandleA(nullptr), IDR_BANNER);
  ASSERT_GT(block.size, 4096u) << "big enough to need several blocks";
  DecodedPicture picture;
  ASSERT_TRUE(DecodeJpeg(block.data, block.size, &picture));
  EXPECT_EQ(picture.width, 450);
  EXPECT_EQ(picture.height, 114);
  // Cut short, the picture still decodes or fails cleanly; garbage fails.
  DecodeJpeg(block.data, block.size / 2, &picture);
  const uint8_t junk[] = {1, 2, 3, 4, 5};
  EXPECT_FALSE(DecodeJpeg(junk, sizeof junk, &picture));
}

TEST(Icons, LoadAt32And16) {
  for (int size : {32, 16}) {
    HICON icon = static_cast<HICON>(
        LoadImageA(GetModuleHandleA(nullptr), "DEFAULT_ICON", IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
    ASSERT_NE(icon, nullptr) << size;
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    BITMAP bm{};
    GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bm, &bm);
    EXPECT_EQ(bm.bmWidth, size);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    DestroyIcon(icon);
  }
}

}  // namespace
