// The skin library loaded into the test process as the program loads it,
// and attached from MainWindow's created event: bad skin files are refused
// with their codes and leave the platform's look; a skinned window is probed
// pixel by pixel; unloading the library takes the skin off without a trace.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "app/main_window.h"
#include "common/edit_box.h"
#include "common/scoped.h"
#include "tests/support/test_support.h"

#ifndef TESSAVEL_SKIN_LIBRARY_HOST_PATH
#error the build names the skin library under test
#endif

namespace {

using SkinAttach = int(__stdcall*)(const char*, const char*);

// The codes SkinH_AttachEx returns (docs/skin-format.md).
enum : int {
  kAttached = 0,
  kMissing = 1,
  kUnreadable = 2,
  kWrongMark = 3,
  kUnknownVersion = 4,
  kCutShort = 5,
  kBadValue = 6,
  kNotAttachable = 7,
};

// The eight colours of a skin file, in the file's order.
struct Colours {
  COLORREF face, text, accent, buttonFace, hotFace, pressedFace, border, disabledText;
};

// Far from the platform's greys and from each other, so that a probe tells
// which one painted a pixel.
const Colours kVivid = {
    RGB(250, 236, 190), RGB(200, 0, 0),  RGB(0, 160, 0),  RGB(170, 200, 255),
    RGB(255, 190, 100), RGB(130, 90, 210), RGB(0, 120, 120), RGB(0, 0, 230),
};
const Colours kOther = {
    RGB(210, 250, 210), RGB(90, 0, 90),  RGB(230, 0, 150), RGB(255, 250, 150),
    RGB(150, 255, 255), RGB(200, 120, 60), RGB(140, 60, 0),  RGB(60, 60, 200),
};

void PutU16(Bytes& b, uint16_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}
void PutU32(Bytes& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// A skin file: ".SHE", version, colour count, the colours, the frame width.
Bytes SkinFile(const Colours& c, uint8_t frame = 1, uint16_t version = 1, uint16_t count = 8) {
  Bytes b = {'.', 'S', 'H', 'E'};
  PutU16(b, version);
  PutU16(b, count);
  for (COLORREF v : {c.face, c.text, c.accent, c.buttonFace, c.hotFace, c.pressedFace, c.border,
                     c.disabledText}) {
    PutU32(b, v);
  }
  b.push_back(frame);
  return b;
}

std::string LibraryPath() { return HostPathToWindows(TESSAVEL_SKIN_LIBRARY_HOST_PATH); }

// What the created handler attaches, and what it got back.
struct AttachRequest {
  SkinAttach attach = nullptr;
  const char* path = nullptr;
  int result = -1;
} gRequest;

const MainWindowEvents kSkinningEvents = {
    [](MainWindow&) {
      if (gRequest.attach) gRequest.result = gRequest.attach(gRequest.path, "");
    },
    nullptr,
    nullptr,
    nullptr,
    nullptr,
};

COLORREF Pixel(HWND hwnd, int x, int y) {
  ScopedGetDC dc(hwnd);
  return GetPixel(dc.get(), x, y);
}

// Polls until the pixel shows `want` (painting happens as messages are
// pumped); returns what it last showed.
COLORREF WaitForPixel(HWND hwnd, int x, int y, COLORREF want) {
  COLORREF seen = CLR_INVALID;
  WaitUntil([&] { return (seen = Pixel(hwnd, x, y)) == want; }, 3000);
  return seen;
}

// Pixels of `hwnd`'s client area with exactly the colour.
int CountPixels(HWND hwnd, COLORREF colour) {
  RECT rc;
  GetClientRect(hwnd, &rc);
  ScopedGetDC dc(hwnd);
  int n = 0;
  for (int y = 0; y < rc.bottom; ++y) {
    for (int x = 0; x < rc.right; ++x) {
      if (GetPixel(dc.get(), x, y) == colour) ++n;
    }
  }
  return n;
}

// The mouse pointer moved as the user moves it, to a point of the screen.
void MoveMouseTo(POINT screen) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  in.mi.dx = MulDiv(screen.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
  in.mi.dy = MulDiv(screen.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
  SendInput(1, &in, sizeof in);
}

POINT CentreOf(HWND hwnd) {
  RECT rc;
  GetWindowRect(hwnd, &rc);
  return POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
}

// Where a button shows its face: off its frame, its focus rectangle and its
// centred caption.
POINT ButtonFacePoint(HWND button) {
  RECT rc;
  GetClientRect(button, &rc);
  return POINT{6, rc.bottom / 2};
}

class SkinTest : public testing::Test {
 protected:
  void SetUp() override {
    library_ = LoadLibraryA(LibraryPath().c_str());
    ASSERT_NE(library_, nullptr) << LibraryPath();
    attach_ = reinterpret_cast<SkinAttach>(
        reinterpret_cast<void*>(GetProcAddress(library_, "SkinH_AttachEx")));
    ASSERT_NE(attach_, nullptr);
    gRequest = AttachRequest{};
  }
  void TearDown() override {
    // The program's order: the window goes first, the library at shutdown.
    window_.reset();
    PumpMessages();
    if (library_) FreeLibrary(library_);
    PumpMessages();
  }

  std::string WriteSkin(const std::string& name, const Bytes& bytes) {
    std::string path = folder_.File(name);
    EXPECT_TRUE(WriteFileBytes(path, bytes));
    return path;
  }

  // Loads MainWindow; its created event attaches `path`, as the program's does.
  void LoadWindow(const char* path) {
    gRequest = AttachRequest{attach_, path, -1};
    window_ = MainWindow::Load(GetModuleHandleA(nullptr), kSkinningEvents);
    ASSERT_TRUE(window_ && window_->hwnd());
    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == window_->hwnd(); }));
    PumpMessages();
  }

  // Frees the library while the window lives on, as the program's shutdown
  // does after a fatal error box.
  void UnloadLibrary() {
    FreeLibrary(library_);
    library_ = nullptr;
  }

  HWND control(Control c) const { return window_->control(c); }

  TempFolder folder_;
  HMODULE library_ = nullptr;
  SkinAttach attach_ = nullptr;
  std::unique_ptr<MainWindow> window_;
};

// The platform's look of the probes used below: a push button's face, the
// black line of a plain edit border and the window face.
void ExpectPlatformLook(MainWindow& window, const std::string& what) {
  SCOPED_TRACE(what);
  HWND button = window.control(Control::kExtractButton);
  POINT p = ButtonFacePoint(button);
  EXPECT_EQ(WaitForPixel(button, p.x, p.y, GetSysColor(COLOR_BTNFACE)),
            GetSysColor(COLOR_BTNFACE));
  HWND box = window.control(Control::kFrontBox);
  SetFocus(box);
  EXPECT_EQ(WaitForPixel(box, 0, 12, GetSysColor(COLOR_WINDOWFRAME)),
            GetSysColor(COLOR_WINDOWFRAME));
  HWND label = window.control(Control::kFrontLabel);
  EXPECT_EQ(WaitForPixel(label, 1, 1, GetSysColor(COLOR_BTNFACE)), GetSysColor(COLOR_BTNFACE));
  // A button made afterwards is not skinned either: no hook stayed behind.
  HWND later = CreateWindowExA(0, "BUTTON", "x", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 196, 196,
                               18, 18, window.hwnd(), nullptr, nullptr, nullptr);
  ASSERT_NE(later, nullptr);
  EXPECT_EQ(WaitForPixel(later, 3, 9, GetSysColor(COLOR_BTNFACE)), GetSysColor(COLOR_BTNFACE));
  DestroyWindow(later);
}

TEST_F(SkinTest, BadSkinFilesGiveTheirCodeAndLeaveThePlatformLook) {
  const Bytes good = SkinFile(kVivid);
  auto cut = [&](size_t n) { return Bytes(good.begin(), good.begin() + n); };
  auto with = [&](size_t at, uint8_t byte) {
    Bytes b = good;
    b[at] = byte;
    return b;
  };
  Bytes trailing = good;
  trailing.push_back(0);
  Bytes large = good;
  large.resize(1 << 20, 0);
  Bytes highByte = good;
  highByte[8 + 4 * 7 + 3] = 0x01;  // the last colour with a palette flag

  struct Case {
    std::string what;
    Bytes bytes;
    int code;
  };
  std::vector<Case> cases = {
      {"empty", {}, kCutShort},
      {"inside the mark", cut(2), kCutShort},
      {"after the mark", cut(4), kCutShort},
      {"inside the version", cut(5), kCutShort},
      {"after the version", cut(6), kCutShort},
      {"after the count", cut(8), kCutShort},
      {"inside the first colour", cut(10), kCutShort},
      {"before the frame width", cut(40), kCutShort},
      {"wrong first byte", with(0, 'X'), kWrongMark},
      {"lower-case mark", with(1, 's'), kWrongMark},
      {"wrong byte, then cut", {'.', 'X'}, kWrongMark},
      {"version 0", with(4, 0), kUnknownVersion},
      {"version 2", with(4, 2), kUnknownVersion},
      {"version 1 big-endian", [&] { Bytes b = with(4, 0); b[5] = 1; return b; }(),
       kUnknownVersion},
      {"seven colours", with(6, 7), kBadValue},
      {"nine colours", with(6, 9), kBadValue},
      {"colour with a palette flag", highByte, kBadValue},
      {"frame width 0", with(40, 0), kBadValue},
      {"frame width 4", with(40, 4), kBadValue},
      {"a byte after the last field", trailing, kBadValue},
      {"one megabyte", large, kBadValue},
  };
  // Cut after each colour.
  for (int i = 1; i <= 8; ++i) {
    cases.push_back({"after colour " + std::to_string(i), cut(8 + 4 * i), kCutShort});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string path = WriteSkin("bad.she", c.bytes);
    LoadWindow(path.c_str());
    EXPECT_EQ(gRequest.result, c.code);
    ExpectPlatformLook(*window_, c.what);
    window_.reset();
    PumpMessages();
  }

  // Paths that give no file to read.
  const std::string lockedPath = WriteSkin("locked.she", good);
  ScopedHandle lock(CreateFileA(lockedPath.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(lock.valid());
  const std::string missing = folder_.File("none.she");
  const std::string missingFolder = folder_.File("no-folder\\win8.she");
  struct PathCase {
    const char* what;
    const char* path;
    int code;
  } pathCases[] = {
      {"no such file", missing.c_str(), kMissing},
      {"no such folder", missingFolder.c_str(), kMissing},
      {"empty path", "", kMissing},
      {"no path", nullptr, kMissing},
      {"a folder", folder_.path().c_str(), kUnreadable},
      {"held open by another", lockedPath.c_str(), kUnreadable},
  };
  for (const PathCase& c : pathCases) {
    LoadWindow(c.path);
    EXPECT_EQ(gRequest.result, c.code) << c.what;
    ExpectPlatformLook(*window_, c.what);
    window_.reset();
    PumpMessages();
  }

  // None of the refusals left state behind: the library still attaches.
  LoadWindow(WriteSkin("good.she", good).c_str());
  EXPECT_EQ(gRequest.result, kAttached);
}

TEST_F(SkinTest, SkinnedWindowShowsTheSkinColours) {
  LoadWindow(WriteSkin("vivid.she", SkinFile(kVivid)).c_str());
  ASSERT_EQ(gRequest.result, kAttached);
  const Colours& c = kVivid;

  // Window face between the front box and the back label; label faces.
  EXPECT_EQ(WaitForPixel(window_->hwnd(), 204, 212, c.face), c.face);
  EXPECT_EQ(WaitForPixel(control(Control::kFrontLabel), 1, 1, c.face), c.face);
  EXPECT_EQ(WaitForPixel(control(Control::kCreditLabel), 1, 1, c.face), c.face);
  EXPECT_GT(CountPixels(control(Control::kFrontLabel), c.face), 40 * 24 / 2);

  // The group box: face inside, a one-pixel line in the border colour.
  HWND group = control(Control::kGroup);
  RECT g;
  GetClientRect(group, &g);
  EXPECT_EQ(WaitForPixel(group, 0, g.bottom / 2, c.border), c.border);
  EXPECT_EQ(Pixel(group, 1, g.bottom / 2), c.face);
  EXPECT_EQ(Pixel(group, 3, g.bottom - 3), c.face);

  // Buttons at rest: flat face, frame in the border colour.
  HWND extract = control(Control::kExtractButton);
  const POINT face = ButtonFacePoint(extract);
  SetFocus(control(Control::kFrontBox));
  EXPECT_EQ(WaitForPixel(extract, face.x, face.y, c.buttonFace), c.buttonFace);
  EXPECT_EQ(Pixel(extract, 0, face.y), c.border);
  EXPECT_GT(CountPixels(extract, c.text), 0) << "caption in the text colour";

  // Hover: the pointer over the button, then away from it again.
  MoveMouseTo(CentreOf(extract));
  EXPECT_EQ(WaitForPixel(extract, face.x, face.y, c.hotFace), c.hotFace);
  EXPECT_EQ(Pixel(extract, 0, face.y), c.accent);
  MoveMouseTo(CentreOf(control(Control::kResultsBox)));
  EXPECT_EQ(WaitForPixel(extract, face.x, face.y, c.buttonFace), c.buttonFace);

  // Pressed.
  SendMessageA(extract, BM_SETSTATE, TRUE, 0);
  EXPECT_EQ(WaitForPixel(extract, face.x, face.y, c.pressedFace), c.pressedFace);
  SendMessageA(extract, BM_SETSTATE, FALSE, 0);
  EXPECT_EQ(WaitForPixel(extract, face.x, face.y, c.buttonFace), c.buttonFace);

  // Focused: the frame in the accent colour.
  SetFocus(extract);
  EXPECT_EQ(WaitForPixel(extract, 0, face.y, c.accent), c.accent);
  SetFocus(control(Control::kFrontBox));
  EXPECT_EQ(WaitForPixel(extract, 0, face.y, c.border), c.border);

  // Disabled: the caption in the disabled colour, never in the text colour.
  HWND exportButton = control(Control::kExportButton);
  EnableWindow(exportButton, FALSE);
  EXPECT_EQ(WaitForPixel(exportButton, 0, face.y, c.border), c.border);
  EXPECT_GT(CountPixels(exportButton, c.disabledText), 0);
  EXPECT_EQ(CountPixels(exportButton, c.text), 0);
  EnableWindow(exportButton, TRUE);
  EXPECT_TRUE(WaitUntil([&] { return CountPixels(exportButton, c.text) > 0; }, 3000));

  // Edit boxes: a one-pixel border, in the accent colour on the focused one.
  HWND front = control(Control::kFrontBox);
  HWND back = control(Control::kBackBox);
  SetFocus(front);
  EXPECT_EQ(WaitForPixel(front, 0, 12, c.accent), c.accent);
  EXPECT_EQ(WaitForPixel(back, 0, 12, c.border), c.border);
  EXPECT_EQ(Pixel(back, 1, 12), RGB(255, 255, 255)) << "the text area stays white";
  SetFocus(back);
  EXPECT_EQ(WaitForPixel(back, 0, 12, c.accent), c.accent);
  EXPECT_EQ(WaitForPixel(front, 0, 12, c.border), c.border);
  EXPECT_EQ(WaitForPixel(control(Control::kSourceBox), 0, 40, c.border), c.border);
  // Typing repaints the box; the border stays the skin's.
  SetControlText(back, Text("abc"));
  PumpMessages();
  EXPECT_EQ(WaitForPixel(back, 0, 12, c.accent), c.accent);
}

TEST_F(SkinTest, WindowsCreatedLaterAreSkinnedToo) {
  LoadWindow(WriteSkin("vivid.she", SkinFile(kVivid)).c_str());
  ASSERT_EQ(gRequest.result, kAttached);
  const Colours& c = kVivid;
  HWND parent = window_->hwnd();
  HWND button = CreateWindowExA(0, "BUTTON", "x", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 196, 196,
                                18, 18, parent, nullptr, nullptr, nullptr);
  HWND edit = CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE | WS_BORDER, 300, 300, 60, 20,
                              parent, nullptr, nullptr, nullptr);
  HWND sunken = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "", WS_CHILD | WS_VISIBLE, 300, 330, 60,
                                20, parent, nullptr, nullptr, nullptr);
  ASSERT_TRUE(button && edit && sunken);
  EXPECT_EQ(WaitForPixel(button, 3, 9, c.buttonFace), c.buttonFace);
  EXPECT_EQ(WaitForPixel(edit, 0, 10, c.border), c.border);
  SetFocus(edit);
  EXPECT_EQ(WaitForPixel(edit, 0, 10, c.accent), c.accent);
  // A box with a 3-D edge keeps the platform's edge.
  SetFocus(sunken);
  PumpMessages();
  EXPECT_EQ(CountPixels(sunken, c.accent), 0);
  EXPECT_EQ(CountPixels(sunken, c.border), 0);

  // A dialog made later takes the face too.
  HWND top = CreateWindowExA(0, "#32770", "", WS_POPUP | WS_VISIBLE, 10, 10, 80, 60, nullptr,
                             nullptr, nullptr, nullptr);
  ASSERT_NE(top, nullptr);
  EXPECT_EQ(WaitForPixel(top, 40, 30, c.face), c.face);
  DestroyWindow(top);
  DestroyWindow(button);
  DestroyWindow(edit);
  DestroyWindow(sunken);
}

// Unloading the library is the program's shutdown; the windows may outlive
// it (after a fatal error box, or in a host that frees it early).
TEST_F(SkinTest, UnloadingTakesTheSkinOffLivingWindows) {
  LoadWindow(WriteSkin("vivid.she", SkinFile(kVivid)).c_str());
  ASSERT_EQ(gRequest.result, kAttached);
  HWND extract = control(Control::kExtractButton);
  const POINT face = ButtonFacePoint(extract);
  MoveMouseTo(CentreOf(extract));
  ASSERT_EQ(WaitForPixel(extract, face.x, face.y, kVivid.hotFace), kVivid.hotFace);

  UnloadLibrary();
  ASSERT_EQ(GetModuleHandleA("jedata.dll"), nullptr) << "the library really left";
  // Everything the skin handled now reaches the platform's procedures only.
  MoveMouseTo(CentreOf(control(Control::kResultsBox)));
  MoveMouseTo(CentreOf(extract));
  SendMessageA(extract, BM_SETSTATE, TRUE, 0);
  SendMessageA(extract, BM_SETSTATE, FALSE, 0);
  SetFocus(extract);
  SetFocus(control(Control::kSourceBox));
  ExpectPlatformLook(*window_, "after unloading");
  MoveMouseTo(CentreOf(control(Control::kResultsBox)));
  PumpMessages();
}

TEST_F(SkinTest, AttachingAgainReplacesTheSkin) {
  const std::string vivid = WriteSkin("vivid.she", SkinFile(kVivid));
  const std::string other = WriteSkin("other.she", SkinFile(kOther, 2));
  LoadWindow(vivid.c_str());
  ASSERT_EQ(gRequest.result, kAttached);
  EXPECT_EQ(attach_(other.c_str(), ""), kAttached);
  HWND extract = control(Control::kExtractButton);
  const POINT face = ButtonFacePoint(extract);
  SetFocus(control(Control::kFrontBox));
  EXPECT_EQ(WaitForPixel(extract, face.x, face.y, kOther.buttonFace), kOther.buttonFace);
  EXPECT_EQ(Pixel(extract, 1, face.y), kOther.border) << "a two-pixel frame";
  EXPECT_EQ(WaitForPixel(window_->hwnd(), 204, 212, kOther.face), kOther.face);
  // A refused file changes nothing of the skin in place.
  EXPECT_EQ(attach_(folder_.File("none.she").c_str(), ""), kMissing);
  RedrawWindow(window_->hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  EXPECT_EQ(WaitForPixel(extract, face.x, face.y, kOther.buttonFace), kOther.buttonFace);
  // One unload removes it all: no subclass of the first attach is left to
  // call into the freed library.
  UnloadLibrary();
  ExpectPlatformLook(*window_, "after attaching twice and unloading");
}

TEST_F(SkinTest, OneThreadHoldsTheSkin) {
  const std::string vivid = WriteSkin("vivid.she", SkinFile(kVivid));
  LoadWindow(vivid.c_str());
  ASSERT_EQ(gRequest.result, kAttached);
  int fromOtherThread = -1;
  std::thread other([&] { fromOtherThread = attach_(vivid.c_str(), ""); });
  other.join();
  EXPECT_EQ(fromOtherThread, kNotAttachable);
}

// A host that frees the library on another thread than the one it skinned:
// each window is asked to take its own subclass off, and its thread goes on
// using the window afterwards.
TEST(SkinLibrary, UnloadedFromAnotherThread) {
  TempFolder folder;
  const std::string skinPath = folder.File("vivid.she");
  ASSERT_TRUE(WriteFileBytes(skinPath, SkinFile(kVivid)));
  HMODULE library = LoadLibraryA(LibraryPath().c_str());
  ASSERT_NE(library, nullptr);
  auto attach = reinterpret_cast<SkinAttach>(
      reinterpret_cast<void*>(GetProcAddress(library, "SkinH_AttachEx")));
  ASSERT_NE(attach, nullptr);

  std::atomic<HWND> button{nullptr};
  std::atomic<bool> unloaded{false};
  std::atomic<int> result{-1};
  COLORREF before = CLR_INVALID, after = CLR_INVALID;
  std::thread ui([&] {
    HWND top = CreateWindowExA(0, "#32770", "", WS_POPUP | WS_VISIBLE, 20, 20, 120, 60, nullptr,
                               nullptr, nullptr, nullptr);
    HWND b = CreateWindowExA(0, "BUTTON", "x", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 10, 10, 60,
                             30, top, nullptr, nullptr, nullptr);
    result = attach(skinPath.c_str(), "");
    before = WaitForPixel(b, 6, 15, kVivid.buttonFace);
    button = b;
    // Pumping messages, as a UI thread does, until the library is gone.
    WaitUntil([&] { return unloaded.load(); }, 20000);
    SendMessageA(b, BM_SETSTATE, TRUE, 0);
    SendMessageA(b, BM_SETSTATE, FALSE, 0);
    RedrawWindow(top, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    after = WaitForPixel(b, 6, 15, GetSysColor(COLOR_BTNFACE));
    DestroyWindow(top);
  });
  WaitUntil([&] { return button.load() != nullptr; }, 10000);
  FreeLibrary(library);
  unloaded = true;
  ui.join();
  EXPECT_EQ(result.load(), kAttached);
  EXPECT_EQ(before, kVivid.buttonFace);
  EXPECT_EQ(after, GetSysColor(COLOR_BTNFACE));
}

// The skin file the program carries attaches and gives its own colours.
TEST_F(SkinTest, CarriedSkinFileAttaches) {
  const std::string path = HostPathToWindows(TESSAVEL_SKIN_FILE_HOST_PATH);
  Bytes file = ReadFileBytes(path);
  ASSERT_EQ(file.size(), 41u);
  auto colour = [&](int i) {
    const uint8_t* p = &file[8 + 4 * i];
    return static_cast<COLORREF>(p[0] | (p[1] << 8) | (p[2] << 16) | (p[3] << 24));
  };
  LoadWindow(path.c_str());
  ASSERT_EQ(gRequest.result, kAttached);
  HWND extract = control(Control::kExtractButton);
  const POINT face = ButtonFacePoint(extract);
  SetFocus(control(Control::kFrontBox));
  EXPECT_EQ(WaitForPixel(extract, face.x, face.y, colour(3)), colour(3));
  EXPECT_EQ(WaitForPixel(control(Control::kFrontBox), 0, 12, colour(2)), colour(2));
  EXPECT_EQ(WaitForPixel(window_->hwnd(), 204, 212, colour(0)), colour(0));
}

}  // namespace
