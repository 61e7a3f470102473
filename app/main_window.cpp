#include "app/main_window.h"

#include <commctrl.h>
#include <windowsx.h>

#include <iterator>
#include <string>

#include "common/scoped.h"

namespace {

const char kMainWindowClass[] = "TessavelMainWindow";
const char kLabelClass[] = "TessavelLabel";
const char kPictureClass[] = "TessavelPicture";

constexpr int kWindowWidth = 450;
constexpr int kWindowHeight = 427;

constexpr DWORD kChild = WS_CHILD | WS_CLIPSIBLINGS;
constexpr DWORD kMultiLineEdit = kChild | WS_TABSTOP | WS_BORDER | WS_VSCROLL | ES_LEFT |
                                 ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN;
constexpr DWORD kSingleLineEdit = kChild | WS_TABSTOP | WS_BORDER | ES_LEFT | ES_AUTOHSCROLL;
constexpr DWORD kPushButton =
    kChild | WS_TABSTOP | BS_PUSHBUTTON | BS_CENTER | BS_VCENTER | BS_MULTILINE;

struct ControlDefinition {
  Control id;
  const char* name;  // the control's name in the form
  const char* windowClass;
  Control parent;  // Control::kCount: the window itself
  int left, top, width, height;
  const char* text;
  DWORD style;  // WS_VISIBLE is added after creation, for every control
};

constexpr Control kWindow = Control::kCount;

// The form, in the order of creation. Places are relative to the parent's
// client area.
const ControlDefinition kControls[] = {
    {Control::kFrontBox, "编辑框2", "EDIT", kWindow, 64, 200, 128, 24, "", kSingleLineEdit},
    {Control::kBackBox, "编辑框3", "EDIT", kWindow, 272, 200, 144, 24, "", kSingleLineEdit},
    {Control::kBanner, "图片框1", kPictureClass, kWindow, -5, 0, 450, 100, "", kChild},
    {Control::kSourceBox, "编辑框1", "EDIT", kWindow, 2, 104, 440, 88, "", kMultiLineEdit},
    {Control::kFrontLabel, "标签1", kLabelClass, kWindow, 16, 200, 40, 24, "前索引：", kChild},
    {Control::kBackLabel, "标签2", kLabelClass, kWindow, 216, 200, 40, 24, "后索引：", kChild},
    {Control::kGroup, "分组框1", "BUTTON", kWindow, 6, 224, 432, 40, "",
     kChild | BS_GROUPBOX | BS_LEFT},
    {Control::kExtractButton, "按钮1", "BUTTON", Control::kGroup, 288, 10, 136, 25, "提取",
     kPushButton},
    {Control::kExportButton, "按钮2", "BUTTON", Control::kGroup, 154, 10, 128, 25, "导出",
     kPushButton},
    {Control::kResultsBox, "编辑框4", "EDIT", kWindow, 6, 277, 431, 120, "", kMultiLineEdit},
    {Control::kCreditLabel, "标签3", kLabelClass, Control::kGroup, 12, 16, 134, 15,
     "— 2014·Brunmoor'天空 —", kChild | WS_DISABLED},
};

// Tab moves through these, in this order (the visible, enabled tab stops in
// the order of creation).
const Control kFocusOrder[] = {
    Control::kFrontBox,      Control::kBackBox,      Control::kSourceBox,
    Control::kExtractButton, Control::kExportButton, Control::kResultsBox,
};

bool IsEdit(const ControlDefinition& d) { return lstrcmpA(d.windowClass, "EDIT") == 0; }

HFONT GuiFont() { return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)); }

// The face colour of a control that paints itself is its parent's answer to
// WM_CTLCOLORSTATIC, as for the platform's own static controls: the default
// window procedure answers the button-face brush, and a skin attached to the
// window answers with its own face.
HBRUSH FaceBrush(HWND control, HDC dc) {
  HWND parent = GetParent(control);
  HBRUSH brush = parent ? reinterpret_cast<HBRUSH>(SendMessageA(
                              parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                              reinterpret_cast<LPARAM>(control)))
                        : nullptr;
  return brush ? brush : GetSysColorBrush(COLOR_BTNFACE);
}

// Labels fill themselves with the face colour and draw their text in black,
// transparent, on one line centred in their height; disabled ones the same.
LRESULT CALLBACK LabelProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      RECT rc;
      GetClientRect(hwnd, &rc);
      FillRect(dc, &rc, FaceBrush(hwnd, dc));
      char text[256] = {};
      GetWindowTextA(hwnd, text, sizeof text);
      HGDIOBJ old = SelectObject(dc, GuiFont());
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(dc, RGB(0, 0, 0));
      DrawTextA(dc, text, -1, &rc, DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_NOCLIP);
      SelectObject(dc, old);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT fills the whole label
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(GuiFont());
    default:
      return DefWindowProcA(hwnd, msg, wp, lp);
  }
}

// The picture box paints the banner of its main window and reports a left
// button press to it.
LRESULT CALLBACK PictureProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_LBUTTONDOWN:
      SendMessageA(GetAncestor(hwnd, GA_ROOT), WM_APP, 0, reinterpret_cast<LPARAM>(hwnd));
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      RECT rc;
      GetClientRect(hwnd, &rc);
      FillRect(dc, &rc, FaceBrush(hwnd, dc));
      auto* banner = reinterpret_cast<const BannerPicture*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
      if (banner) banner->Paint(dc);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(GuiFont());
    default:
      return DefWindowProcA(hwnd, msg, wp, lp);
  }
}

// WM_APP from the picture box: its left button went down.
constexpr UINT kBannerPressed = WM_APP;

// Registers a window class of the program once: windows of several
// MainWindows (a test loads many) share the classes.
bool RegisterProgramClass(HINSTANCE instance, const char* name, WNDPROC proc, UINT style) {
  WNDCLASSEXA existing{};
  existing.cbSize = sizeof existing;
  if (GetClassInfoExA(instance, name, &existing)) return true;
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.style = style;
  wc.lpfnWndProc = proc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512) /* IDC_ARROW */);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = name;
  return RegisterClassExA(&wc) != 0;
}

}  // namespace

const char kMakerAddress[] = "https://brunmoor.example/";

MainWindow::MainWindow(HINSTANCE instance, const MainWindowEvents& events)
    : instance_(instance), events_(events) {}

MainWindow::~MainWindow() {
  if (hwnd_) DestroyWindow(hwnd_);
  if (largeIcon_) DestroyIcon(largeIcon_);
  if (smallIcon_) DestroyIcon(smallIcon_);
  if (whiteBrush_) DeleteObject(whiteBrush_);
}

std::unique_ptr<MainWindow> MainWindow::Load(HINSTANCE instance, const MainWindowEvents& events) {
  std::unique_ptr<MainWindow> window(new MainWindow(instance, events));

  // A double click on the picture box is its own message, so the second
  // press of a double click does not open the page again.
  if (!RegisterProgramClass(instance, kMainWindowClass, WindowProc, 0) ||
      !RegisterProgramClass(instance, kLabelClass, LabelProc, 0) ||
      !RegisterProgramClass(instance, kPictureClass, PictureProc, CS_DBLCLKS)) {
    return nullptr;
  }

  // Centred from the full size of the primary screen, not its work area.
  const int left = (GetSystemMetrics(SM_CXSCREEN) - kWindowWidth) / 2;
  const int top = (GetSystemMetrics(SM_CYSCREEN) - kWindowHeight) / 2;
  std::string caption = std::string("Tessavel工具 - Brunmoor - ") + kMakerAddress;
  HWND hwnd = CreateWindowExA(0, kMainWindowClass, caption.c_str(),
                              WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN, left,
                              top, kWindowWidth, kWindowHeight, nullptr, nullptr, instance,
                              window.get());
  if (!hwnd) return nullptr;
  RECT rc;
  GetWindowRect(hwnd, &rc);
  if (rc.right - rc.left != kWindowWidth || rc.bottom - rc.top != kWindowHeight) {
    SetWindowPos(hwnd, nullptr, left, top, kWindowWidth, kWindowHeight,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }

  window->largeIcon_ = static_cast<HICON>(
      LoadImageA(instance, "DEFAULT_ICON", IMAGE_ICON, 32, 32, LR_DEFAULTCOLOR));
  window->smallIcon_ = static_cast<HICON>(
      LoadImageA(instance, "DEFAULT_ICON", IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
  SendMessageA(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(window->largeIcon_));
  SendMessageA(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(window->smallIcon_));
  SendMessageA(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(GuiFont()), FALSE);

  if (!window->CreateForm()) return nullptr;

  window->events_.created(*window);

  // The created handler may have closed the window.
  if (!window->hwnd_) return window;
  ShowWindow(window->hwnd_, SW_SHOW);
  SetForegroundWindow(window->hwnd_);
  SetActiveWindow(window->hwnd_);
  return window;
}

bool MainWindow::CreateForm() {
  whiteBrush_ = CreateSolidBrush(RGB(255, 255, 255));
  banner_.Load(instance_);

  for (const ControlDefinition& d : kControls) {
    HWND parent = d.parent == kWindow ? hwnd_ : control(d.parent);
    int height = d.height;
    if (IsEdit(d) && !(d.style & ES_MULTILINE)) {
      // A single-line box is never lower than its font's text plus its edges.
      ScopedGetDC dc(hwnd_);
      HGDIOBJ old = SelectObject(dc.get(), GuiFont());
      TEXTMETRICA tm{};
      GetTextMetricsA(dc.get(), &tm);
      SelectObject(dc.get(), old);
      int least = tm.tmHeight + 2 * GetSystemMetrics(SM_CYEDGE);
      if (height < least) height = least;
    }
    HWND child = CreateWindowExA(0, d.windowClass, d.text, d.style, d.left, d.top, d.width,
                                 height, parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(d.id) + 1),
                                 instance_, nullptr);
    if (!child) return false;
    controls_[static_cast<int>(d.id)] = child;
    SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(GuiFont()), FALSE);
    if (IsEdit(d)) {
      SendMessageA(child, EM_LIMITTEXT, 0, 0);
      SendMessageA(child, EM_SETSEL, 0, 0);
      SendMessageA(child, EM_SCROLLCARET, 0, 0);
    }
  }
  SetWindowLongPtrA(control(Control::kBanner), GWLP_USERDATA,
                    reinterpret_cast<LONG_PTR>(&banner_));
  // Buttons inside the group box report to the group box; it passes their
  // notifications on to the window.
  SetWindowSubclass(control(Control::kGroup), GroupBoxProc, 1,
                    reinterpret_cast<DWORD_PTR>(this));

  // The two components without a face come last, as in the form.
  fileDialog_ = std::make_unique<FileDialog>(hwnd_);
  dropTarget_ = std::make_unique<DropTarget>();
  dropTarget_->gotFile = [this](const Text& paths) {
    if (events_.gotFile) events_.gotFile(*this, paths);
  };

  for (HWND child : controls_) ShowWindow(child, SW_SHOWNA);
  return true;
}

LRESULT CALLBACK MainWindow::GroupBoxProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp,
                                          UINT_PTR id, DWORD_PTR ref) {
  auto* self = reinterpret_cast<MainWindow*>(ref);
  switch (msg) {
    case WM_COMMAND:
      if (self->hwnd_) return SendMessageA(self->hwnd_, msg, wp, lp);
      break;
    case WM_ERASEBKGND: {
      // The window clips its children, so nothing paints under the group box
      // but the group box itself: it fills its face with the default colour.
      RECT rc;
      GetClientRect(hwnd, &rc);
      FillRect(reinterpret_cast<HDC>(wp), &rc, FaceBrush(hwnd, reinterpret_cast<HDC>(wp)));
      return 1;
    }
    case WM_NCDESTROY:
      RemoveWindowSubclass(hwnd, GroupBoxProc, id);
      break;
  }
  return DefSubclassProc(hwnd, msg, wp, lp);
}

LRESULT CALLBACK MainWindow::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  MainWindow* self;
  if (msg == WM_NCCREATE) {
    self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  } else {
    self = reinterpret_cast<MainWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  }
  if (!self) return DefWindowProcA(hwnd, msg, wp, lp);
  // No exception may cross back into user32.
  try {
    return self->HandleMessage(msg, wp, lp);
  } catch (...) {
    return DefWindowProcA(hwnd, msg, wp, lp);
  }
}

LRESULT MainWindow::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  HWND hwnd = hwnd_;
  switch (msg) {
    case WM_COMMAND:
      OnCommand(reinterpret_cast<HWND>(lp), HIWORD(wp));
      return 0;
    case WM_CTLCOLOREDIT:
      return reinterpret_cast<LRESULT>(OnEditColour(reinterpret_cast<HDC>(wp)));
    case WM_ACTIVATE:
      OnActivate(LOWORD(wp));
      return 0;
    case kBannerPressed:
      if (events_.bannerPressed) events_.bannerPressed(*this);
      return 0;
    case WM_DESTROY:
      // The registration holds a reference to the drop target; it goes with
      // the window.
      if (dropTarget_) dropTarget_->Revoke();
      PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY:
      SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
      hwnd_ = nullptr;
      for (HWND& c : controls_) c = nullptr;
      focusMemory_ = nullptr;
      return DefWindowProcA(hwnd, msg, wp, lp);
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

void MainWindow::OnCommand(HWND from, UINT code) {
  if (code != BN_CLICKED || !from) return;
  if (from == control(Control::kExtractButton) && events_.extractClicked) {
    events_.extractClicked(*this);
  } else if (from == control(Control::kExportButton) && events_.exportClicked) {
    events_.exportClicked(*this);
  }
}

HBRUSH MainWindow::OnEditColour(HDC dc) {
  SetTextColor(dc, RGB(0, 0, 0));
  SetBkColor(dc, RGB(255, 255, 255));
  return whiteBrush_;
}

void MainWindow::OnActivate(UINT state) {
  if (state == WA_INACTIVE) {
    HWND focus = GetFocus();
    for (Control c : kFocusOrder) {
      if (focus == control(c)) focusMemory_ = focus;
    }
    return;
  }
  HWND target = focusMemory_ ? focusMemory_ : control(kFocusOrder[0]);
  if (target && IsWindow(target)) SetFocus(target);
}

void MainWindow::MoveFocus(bool forward) {
  // Only controls that can take the focus now count.
  HWND candidates[std::size(kFocusOrder)];
  int count = 0;
  int current = -1;
  HWND focus = GetFocus();
  for (Control c : kFocusOrder) {
    HWND h = control(c);
    if (!h || !IsWindowVisible(h) || !IsWindowEnabled(h)) continue;
    if (h == focus) current = count;
    candidates[count++] = h;
  }
  if (count == 0) return;
  int next;
  if (current < 0) {
    next = forward ? 0 : count - 1;
  } else {
    next = (current + (forward ? 1 : count - 1)) % count;
  }
  SetFocus(candidates[next]);
}

bool MainWindow::PreTranslateMessage(const MSG& msg) {
  if (!hwnd_ || msg.message != WM_KEYDOWN) return false;
  if (msg.hwnd != hwnd_ && !IsChild(hwnd_, msg.hwnd)) return false;
  const bool ctrl = GetKeyState(VK_CONTROL) < 0;
  const bool shift = GetKeyState(VK_SHIFT) < 0;
  const bool alt = GetKeyState(VK_MENU) < 0;
  if (msg.wParam == VK_ESCAPE && !ctrl && !shift && !alt) {
    // Exactly as the close button: WM_SYSCOMMAND SC_CLOSE ends in WM_CLOSE.
    SendMessageA(hwnd_, WM_SYSCOMMAND, SC_CLOSE, 0);
    return true;
  }
  if (msg.wParam == VK_TAB && !ctrl && !alt) {
    MoveFocus(!shift);
    return true;
  }
  return false;
}

int RunMessageLoop(MainWindow* window) {
  MSG msg{};
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (window && window->PreTranslateMessage(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return static_cast<int>(msg.wParam);
}
