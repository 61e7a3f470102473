// MainWindow: the program's only window, its form, keys and event bindings.
#pragma once

#include <windows.h>

#include <memory>

#include "app/banner.h"
#include "common/text.h"
#include "fileio/drop_target.h"
#include "fileio/file_dialog.h"

// The controls of the form, in the order in which they are created.
enum class Control : int {
  kFrontBox,    // 编辑框2: front marker
  kBackBox,     // 编辑框3: back marker
  kBanner,      // 图片框1
  kSourceBox,   // 编辑框1: source text
  kFrontLabel,  // 标签1
  kBackLabel,   // 标签2
  kGroup,       // 分组框1
  kExtractButton,  // 按钮1
  kExportButton,   // 按钮2
  kResultsBox,  // 编辑框4: results
  kCreditLabel,  // 标签3
  kCount
};

class MainWindow;

// Which procedure each event of the form runs. The program uses kFormEvents;
// a test may load the window with other handlers.
struct MainWindowEvents {
  void (*created)(MainWindow& window);
  void (*extractClicked)(MainWindow& window);
  void (*exportClicked)(MainWindow& window);
  void (*bannerPressed)(MainWindow& window);
  // The got-file event of 拖放对象1: the full paths of the dropped files.
  void (*gotFile)(MainWindow& window, const Text& paths);
};

extern const MainWindowEvents kFormEvents;

// The maker's web page, in the caption and behind the banner.
extern const char kMakerAddress[];

class MainWindow {
 public:
  // Creates the window hidden with all its controls, fires the created event
  // and then, when the window still exists, shows and activates it. NULL when
  // the window cannot be created.
  static std::unique_ptr<MainWindow> Load(HINSTANCE instance,
                                          const MainWindowEvents& events = kFormEvents);
  ~MainWindow();
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // NULL once the window has been destroyed.
  HWND hwnd() const { return hwnd_; }
  HWND control(Control c) const { return controls_[static_cast<int>(c)]; }
  // The components without a face, created with the form.
  DropTarget& dropTarget() { return *dropTarget_; }         // 拖放对象1
  FileDialog& fileDialog() { return *fileDialog_; }         // 通用对话框1

  // Handles the window's own keys (Esc, Tab, Shift+Tab) before the focused
  // control sees them. True when the key was used up.
  bool PreTranslateMessage(const MSG& msg);

 private:
  explicit MainWindow(HINSTANCE instance, const MainWindowEvents& events);
  bool CreateForm();
  void MoveFocus(bool forward);

  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  static LRESULT CALLBACK GroupBoxProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp,
                                       UINT_PTR id, DWORD_PTR ref);
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);
  void OnCommand(HWND from, UINT code);
  void OnActivate(UINT state);
  HBRUSH OnEditColour(HDC dc);

  HINSTANCE instance_;
  MainWindowEvents events_;
  HWND hwnd_ = nullptr;
  HWND controls_[static_cast<int>(Control::kCount)] = {};
  HWND focusMemory_ = nullptr;
  HICON largeIcon_ = nullptr;
  HICON smallIcon_ = nullptr;
  HBRUSH whiteBrush_ = nullptr;
  BannerPicture banner_;
  std::unique_ptr<FileDialog> fileDialog_;
  std::unique_ptr<DropTarget> dropTarget_;
};

// Runs the message loop of the UI thread until WM_QUIT; returns its code.
int RunMessageLoop(MainWindow* window);
