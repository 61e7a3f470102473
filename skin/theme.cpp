#include "skin/theme.h"

#include <commctrl.h>

#include <algorithm>
#include <memory>
#include <new>
#include <vector>

#include "common/scoped.h"
#include "skin/paint.h"

namespace {

// One id for every subclass this library installs.
constexpr UINT_PTR kSubclassId = 0x4A454441;  // "JEDA"
// The answer of a window that took its own subclass off on request.
constexpr LRESULT kDetachedReply = 0x4A454441;
// How long a window of another thread may take to unhook itself.
constexpr UINT kDetachTimeoutMs = 1000;

// What the skin does to a window; decided once, when it is subclassed.
enum class Part {
  kFace,        // a top-level window or dialog: face colour for itself and its children
  kGroupBox,    // BS_GROUPBOX: flat frame line
  kPushButton,  // BS_PUSHBUTTON / BS_DEFPUSHBUTTON with text: drawn whole by the skin
  kEdit,        // EDIT with a plain border: the border in border or accent colour
};

class Theme;

struct SkinnedWindow {
  Theme* theme;
  HWND hwnd;
  Part part;
  bool fillsBackground;  // kFace: erases with the face colour itself
  bool hot;              // kPushButton: the mouse is over it
};

LRESULT CALLBACK SkinProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                          DWORD_PTR ref);
LRESULT CALLBACK CreationHook(int code, WPARAM wp, LPARAM lp);

// Guards gTheme and each theme's window list. It is a critical section, not
// a slim lock, because attaching enters it again on the same thread when the
// windows it subclasses are registered.
CRITICAL_SECTION gLock;
bool gLockReady = false;

class LockHolder {
 public:
  LockHolder() { EnterCriticalSection(&gLock); }
  ~LockHolder() { LeaveCriticalSection(&gLock); }
  LockHolder(const LockHolder&) = delete;
  LockHolder& operator=(const LockHolder&) = delete;
};

class Theme {
 public:
  explicit Theme(const Skin& skin) : skin_(skin), thread_(GetCurrentThreadId()) {}
  ~Theme() {
    if (face_) DeleteObject(face_);
  }
  Theme(const Theme&) = delete;
  Theme& operator=(const Theme&) = delete;

  DWORD thread() const { return thread_; }

  // Hooks the thread and skins the windows it already has. False when the
  // thread cannot be hooked; Stop then undoes what was done.
  bool Start() {
    face_ = CreateSolidBrush(skin_.colours.windowFace);
    if (!face_) return false;
    detachMessage_ = RegisterWindowMessageA("jedata.SkinDetach");
    if (!detachMessage_) return false;
    // A thread hook inside this process: no module handle is needed.
    hook_ = SetWindowsHookExA(WH_CBT, CreationHook, nullptr, thread_);
    if (!hook_) return false;
    EnumThreadWindows(thread_, SkinTopWindow, reinterpret_cast<LPARAM>(this));
    EnumThreadWindows(thread_, RedrawTopWindow, 0);
    return true;
  }

  // Takes the skin off every window. On the attached thread the subclasses
  // are removed directly; from another thread (comctl32 subclasses belong to
  // their thread) each window is asked to remove its own.
  void Stop() {
    if (hook_) {
      UnhookWindowsHookEx(hook_);
      hook_ = nullptr;
    }
    if (GetCurrentThreadId() == thread_) {
      StopOnOwnThread();
    } else {
      StopFromOtherThread();
    }
  }

  // A window being created on the thread (creation hook). The style is the
  // one it is created with, before the control adjusts it.
  void SkinNewWindow(HWND hwnd, LONG style, LONG exStyle, HWND parent) {
    const bool topLevel = !(style & WS_CHILD) && parent != HWND_MESSAGE;
    Part part;
    bool fills = false;
    if (Classify(hwnd, style, topLevel, true, exStyle, &part, &fills)) Adopt(hwnd, part, fills);
  }

  LRESULT HandleMessage(SkinnedWindow& w, UINT msg, WPARAM wp, LPARAM lp);

 private:
  static BOOL CALLBACK SkinTopWindow(HWND hwnd, LPARAM self) {
    auto* theme = reinterpret_cast<Theme*>(self);
    theme->SkinExistingWindow(hwnd, true);
    EnumChildWindows(hwnd, SkinChildWindow, self);
    return TRUE;
  }
  static BOOL CALLBACK SkinChildWindow(HWND hwnd, LPARAM self) {
    reinterpret_cast<Theme*>(self)->SkinExistingWindow(hwnd, false);
    return TRUE;
  }
  static BOOL CALLBACK RedrawTopWindow(HWND hwnd, LPARAM) {
    RedrawWindow(hwnd, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    return TRUE;
  }

  void SkinExistingWindow(HWND hwnd, bool topLevel) {
    // A child may belong to another thread, whose windows this subclass
    // cannot reach; message-only windows have no face.
    if (GetWindowThreadProcessId(hwnd, nullptr) != thread_) return;
    if (topLevel && GetAncestor(hwnd, GA_PARENT) != GetDesktopWindow()) return;
    Part part;
    bool fills = false;
    if (Classify(hwnd, GetWindowLongA(hwnd, GWL_STYLE), topLevel, false,
                 GetWindowLongA(hwnd, GWL_EXSTYLE), &part, &fills)) {
      Adopt(hwnd, part, fills);
    }
  }

  static bool ClassNameIs(HWND hwnd, const char* name) {
    char cls[32] = {};
    return GetClassNameA(hwnd, cls, sizeof cls) > 0 && lstrcmpiA(cls, name) == 0;
  }

  // Which part of the skin a window takes, if any.
  static bool Classify(HWND hwnd, LONG style, bool topLevel, bool creating, LONG exStyle,
                       Part* part, bool* fillsBackground) {
    *fillsBackground = false;
    if (ClassNameIs(hwnd, "Button")) {
      if ((style & BS_TYPEMASK) == BS_GROUPBOX) {
        *part = Part::kGroupBox;
        return true;
      }
      if (IsSkinnedPushButtonStyle(style)) {
        *part = Part::kPushButton;
        return true;
      }
      return false;  // check boxes and radio buttons take the face from their parent
    }
    if (ClassNameIs(hwnd, "Edit")) {
      const bool flat = creating ? CreatesFlatEditBorder(style, exStyle) : HasFlatEditBorder(hwnd);
      if (!flat) return false;
      *part = Part::kEdit;
      return true;
    }
    if (ClassNameIs(hwnd, "#32770")) {
      // Dialogs erase through WM_CTLCOLORDLG, which the face part answers.
      *part = Part::kFace;
      return true;
    }
    if (!topLevel) return false;
    // Only a window whose class asks for the platform's face colour gets the
    // skin's face; one with its own background keeps it.
    HBRUSH background = reinterpret_cast<HBRUSH>(GetClassLongPtrA(hwnd, GCLP_HBRBACKGROUND));
    if (background != reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1) &&
        background != GetSysColorBrush(COLOR_BTNFACE)) {
      return false;
    }
    *part = Part::kFace;
    *fillsBackground = true;
    return true;
  }

  void Adopt(HWND hwnd, Part part, bool fillsBackground) {
    DWORD_PTR existing = 0;
    if (GetWindowSubclass(hwnd, SkinProc, kSubclassId, &existing)) return;
    std::unique_ptr<SkinnedWindow> w(
        new (std::nothrow) SkinnedWindow{this, hwnd, part, fillsBackground, false});
    if (!w) return;
    LockHolder lock;
    try {
      windows_.push_back(w.get());
    } catch (...) {
      return;  // not skinned; the window keeps the platform's look
    }
    if (!SetWindowSubclass(hwnd, SkinProc, kSubclassId, reinterpret_cast<DWORD_PTR>(w.get()))) {
      windows_.pop_back();
      return;
    }
    w.release();  // owned through windows_ until Forget or Stop
  }

  // The window is going away (WM_NCDESTROY on its own thread).
  void Forget(SkinnedWindow* w) {
    RemoveWindowSubclass(w->hwnd, SkinProc, kSubclassId);
    LockHolder lock;
    auto it = std::find(windows_.begin(), windows_.end(), w);
    if (it != windows_.end()) windows_.erase(it);
    delete w;
  }

  void StopOnOwnThread() {
    std::vector<SkinnedWindow*> windows;
    {
      LockHolder lock;
      windows.swap(windows_);
    }
    std::vector<HWND> roots;
    for (SkinnedWindow* w : windows) {
      if (IsWindow(w->hwnd)) {
        RemoveWindowSubclass(w->hwnd, SkinProc, kSubclassId);
        HWND root = GetAncestor(w->hwnd, GA_ROOT);
        if (root && std::find(roots.begin(), roots.end(), root) == roots.end()) {
          try {
            roots.push_back(root);
          } catch (...) {
          }
        }
      }
      delete w;
    }
    // The platform's look comes back at the next paint.
    for (HWND root : roots) RedrawTopWindow(root, 0);
  }

  void StopFromOtherThread() {
    for (;;) {
      SkinnedWindow* w = nullptr;
      HWND hwnd = nullptr;
      {
        LockHolder lock;
        if (windows_.empty()) break;
        w = windows_.back();
        hwnd = w->hwnd;
      }
      DWORD_PTR reply = 0;
      const bool removed =
          IsWindow(hwnd) &&
          SendMessageTimeoutA(hwnd, detachMessage_, 0, 0, SMTO_BLOCK | SMTO_ABORTIFHUNG,
                              kDetachTimeoutMs, &reply) &&
          reply == static_cast<DWORD_PTR>(kDetachedReply);
      LockHolder lock;
      auto it = std::find(windows_.begin(), windows_.end(), w);
      if (it == windows_.end()) continue;  // destroyed meanwhile: its thread freed it
      windows_.erase(it);
      // A window that did not answer keeps its subclass; its state is left
      // allocated rather than freed under a procedure that may still run.
      if (removed || !IsWindow(hwnd)) {
        // (RedrawWindow of NULL would repaint the whole desktop.)
        HWND root = GetAncestor(hwnd, GA_ROOT);
        if (root) RedrawTopWindow(root, 0);
        delete w;
      }
    }
  }

  // WM_CTLCOLOR* from a child: where the window would hand out the
  // platform's face brush, the skin hands out its own face.
  LRESULT ChildColour(WPARAM dc, LRESULT platform) {
    if (reinterpret_cast<HBRUSH>(platform) != GetSysColorBrush(COLOR_BTNFACE)) return platform;
    SetBkColor(reinterpret_cast<HDC>(dc), skin_.colours.windowFace);
    SetTextColor(reinterpret_cast<HDC>(dc), skin_.colours.text);
    return reinterpret_cast<LRESULT>(face_);
  }

  LRESULT FaceMessage(SkinnedWindow& w, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT GroupBoxMessage(SkinnedWindow& w, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT PushButtonMessage(SkinnedWindow& w, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT EditMessage(SkinnedWindow& w, UINT msg, WPARAM wp, LPARAM lp);

  const Skin skin_;
  const DWORD thread_;
  HBRUSH face_ = nullptr;
  HHOOK hook_ = nullptr;
  UINT detachMessage_ = 0;
  std::vector<SkinnedWindow*> windows_;
};

// The attachment: the only state the library keeps between calls.
Theme* gTheme = nullptr;

LRESULT Theme::HandleMessage(SkinnedWindow& w, UINT msg, WPARAM wp, LPARAM lp) {
  HWND hwnd = w.hwnd;
  if (msg == WM_NCDESTROY) {
    Forget(&w);
    return DefSubclassProc(hwnd, msg, wp, lp);
  }
  if (msg == detachMessage_ && detachMessage_ != 0) {
    RemoveWindowSubclass(hwnd, SkinProc, kSubclassId);
    return kDetachedReply;
  }
  switch (msg) {
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
      return ChildColour(wp, DefSubclassProc(hwnd, msg, wp, lp));
  }
  switch (w.part) {
    case Part::kFace:
      return FaceMessage(w, msg, wp, lp);
    case Part::kGroupBox:
      return GroupBoxMessage(w, msg, wp, lp);
    case Part::kPushButton:
      return PushButtonMessage(w, msg, wp, lp);
    case Part::kEdit:
      return EditMessage(w, msg, wp, lp);
  }
  return DefSubclassProc(hwnd, msg, wp, lp);
}

LRESULT Theme::FaceMessage(SkinnedWindow& w, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_ERASEBKGND && w.fillsBackground) {
    RECT rc;
    GetClientRect(w.hwnd, &rc);
    FillRect(reinterpret_cast<HDC>(wp), &rc, face_);
    return 1;
  }
  return DefSubclassProc(w.hwnd, msg, wp, lp);
}

LRESULT Theme::GroupBoxMessage(SkinnedWindow& w, UINT msg, WPARAM wp, LPARAM lp) {
  HWND hwnd = w.hwnd;
  switch (msg) {
    case WM_PAINT: {
      ScopedPaint paint(hwnd);
      PaintGroupBox(hwnd, paint.dc(), skin_, face_);
      return 0;
    }
    case WM_PRINTCLIENT:
      PaintGroupBox(hwnd, reinterpret_cast<HDC>(wp), skin_, face_);
      return 0;
    case WM_SETTEXT:
    case WM_ENABLE:
    case WM_UPDATEUISTATE: {
      // The platform paints these changes at once, with its own look.
      LRESULT r = DefSubclassProc(hwnd, msg, wp, lp);
      InvalidateRect(hwnd, nullptr, TRUE);
      return r;
    }
  }
  return DefSubclassProc(hwnd, msg, wp, lp);
}

LRESULT Theme::PushButtonMessage(SkinnedWindow& w, UINT msg, WPARAM wp, LPARAM lp) {
  HWND hwnd = w.hwnd;
  const bool skinned = IsSkinnedPushButtonStyle(GetWindowLongW(hwnd, GWL_STYLE));
  if (!skinned) return DefSubclassProc(hwnd, msg, wp, lp);
  switch (msg) {
    case WM_PAINT: {
      ScopedPaint paint(hwnd);
      PaintPushButton(hwnd, paint.dc(), skin_, w.hot);
      return 0;
    }
    case WM_PRINTCLIENT:
      PaintPushButton(hwnd, reinterpret_cast<HDC>(wp), skin_, w.hot);
      return 0;
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT covers the whole button
    case WM_MOUSEMOVE: {
      LRESULT r = DefSubclassProc(hwnd, msg, wp, lp);
      if (!w.hot) {
        // Ask for WM_MOUSELEAVE, so the hot face goes when the mouse does.
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, hwnd, 0};
        if (TrackMouseEvent(&track)) {
          w.hot = true;
          RepaintPushButton(hwnd, skin_, w.hot);
        }
      }
      return r;
    }
    case WM_MOUSELEAVE: {
      LRESULT r = DefSubclassProc(hwnd, msg, wp, lp);
      w.hot = false;
      RepaintPushButton(hwnd, skin_, w.hot);
      return r;
    }
    case WM_ENABLE:
      if (!wp) w.hot = false;
      [[fallthrough]];
    case BM_SETSTATE:
    case BM_SETCHECK:
    case BM_SETSTYLE:
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_SETTEXT:
    case WM_UPDATEUISTATE:
    case WM_CAPTURECHANGED: {
      // The platform draws these state changes into the button at once,
      // outside WM_PAINT; the skin's face goes over it straight after.
      LRESULT r = DefSubclassProc(hwnd, msg, wp, lp);
      if (IsWindow(hwnd)) RepaintPushButton(hwnd, skin_, w.hot);
      return r;
    }
  }
  return DefSubclassProc(hwnd, msg, wp, lp);
}

LRESULT Theme::EditMessage(SkinnedWindow& w, UINT msg, WPARAM wp, LPARAM lp) {
  HWND hwnd = w.hwnd;
  switch (msg) {
    case WM_NCPAINT:
    case WM_PAINT:
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE:
    case WM_STYLECHANGED: {
      // The control draws its own black border while it paints; the skin's
      // line goes over it when it has finished.
      LRESULT r = DefSubclassProc(hwnd, msg, wp, lp);
      if (IsWindow(hwnd)) PaintEditBorder(hwnd, skin_);
      return r;
    }
  }
  return DefSubclassProc(hwnd, msg, wp, lp);
}

LRESULT CALLBACK SkinProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) {
  auto* w = reinterpret_cast<SkinnedWindow*>(ref);
  if (!w) return DefSubclassProc(hwnd, msg, wp, lp);
  // Nothing may escape into user32. The skin's handlers allocate only where
  // a failure is caught on the spot, so this is a last guard.
  try {
    return w->theme->HandleMessage(*w, msg, wp, lp);
  } catch (...) {
    return 0;
  }
}

LRESULT CALLBACK CreationHook(int code, WPARAM wp, LPARAM lp) {
  if (code == HCBT_CREATEWND) {
    try {
      // Held for the whole registration, so that a detach from another
      // thread never frees the theme under it.
      LockHolder lock;
      Theme* theme = gTheme;
      auto* create = reinterpret_cast<CBT_CREATEWNDA*>(lp);
      if (theme && create && create->lpcs) {
        theme->SkinNewWindow(reinterpret_cast<HWND>(wp), create->lpcs->style,
                             create->lpcs->dwExStyle, create->lpcs->hwndParent);
      }
    } catch (...) {
    }
  }
  return CallNextHookEx(nullptr, code, wp, lp);
}

// Takes the current attachment out of gTheme; the caller stops and frees it.
Theme* TakeTheme() {
  LockHolder lock;
  Theme* theme = gTheme;
  gTheme = nullptr;
  return theme;
}

}  // namespace

void InitialiseSkinLibrary() {
  InitializeCriticalSection(&gLock);
  gLockReady = true;
}

SkinResult AttachSkin(const Skin& skin) {
  if (!gLockReady) return kSkinNotAttachable;
  std::unique_ptr<Theme> fresh(new (std::nothrow) Theme(skin));
  if (!fresh) return kSkinNotAttachable;
  LockHolder lock;
  if (gTheme && gTheme->thread() != GetCurrentThreadId()) return kSkinNotAttachable;
  if (gTheme) {
    // The earlier skin comes off first, so that each window carries one
    // subclass of this library at a time.
    std::unique_ptr<Theme> old(gTheme);
    gTheme = nullptr;
    old->Stop();
  }
  gTheme = fresh.get();
  if (!fresh->Start()) {
    gTheme = nullptr;
    fresh->Stop();
    return kSkinNotAttachable;
  }
  fresh.release();  // owned through gTheme until DetachSkin
  return kSkinAttached;
}

void DetachSkin() {
  if (!gLockReady) return;
  std::unique_ptr<Theme> theme(TakeTheme());
  if (theme) theme->Stop();
}

void DetachSkinFromEndingThread(DWORD threadId) {
  if (!gLockReady) return;
  {
    LockHolder lock;
    if (!gTheme || gTheme->thread() != threadId) return;
  }
  DetachSkin();
}

void FinishSkinLibrary(bool processEnding) {
  if (processEnding || !gLockReady) return;
  DetachSkin();
  gLockReady = false;
  DeleteCriticalSection(&gLock);
}
