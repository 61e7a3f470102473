// The form's event bindings: which procedure each event runs.
#include "app/main_window.h"

#include <shellapi.h>

#include "app/skin.h"

namespace {

// The created handler: skin first, then the window becomes a drop target.
void OnCreated(MainWindow& window) {
  ApplySkin(reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window.hwnd(), GWLP_HINSTANCE)));
}

// The banner handler: open the maker's page in the default browser.
void OnBannerPressed(MainWindow&) {
  HWND owner = FindWindowExA(nullptr, nullptr, nullptr, "Microsoft Internet Explorer");
  ShellExecuteA(owner, "open", kMakerAddress, nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace

const MainWindowEvents kFormEvents = {
    OnCreated,
    nullptr,
    nullptr,
    OnBannerPressed,
};
