// The form's event bindings: which procedure each event runs.
#include "app/main_window.h"

#include <shellapi.h>

#include "app/skin.h"
#include "extract/extract_command.h"
#include "fileio/dropped_file.h"
#include "fileio/export_command.h"

namespace {

// The created handler: skin first, then the window becomes a drop target.
void OnCreated(MainWindow& window) {
  ApplySkin(reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window.hwnd(), GWLP_HINSTANCE)));
  // A failed registration is not looked at: the window then takes no drops.
  window.dropTarget().RegisterDropTarget(window.hwnd());
}

// The Export command of 按钮2.
void OnExportClicked(MainWindow& window) {
  ExportResults(window.fileDialog(), window.control(Control::kResultsBox));
}

// The got-file handler: the dropped files become the text of 编辑框1.
void OnGotFile(MainWindow& window, const Text& paths) {
  LoadDroppedFilesInto(window.control(Control::kSourceBox), paths);
}

// The Extract command on the form's four boxes.
void OnExtractClicked(MainWindow& window) {
  RunExtract({window.control(Control::kSourceBox), window.control(Control::kFrontBox),
              window.control(Control::kBackBox), window.control(Control::kResultsBox)});
}

// The banner handler: open the maker's page in the default browser.
void OnBannerPressed(MainWindow&) {
  HWND owner = FindWindowExA(nullptr, nullptr, nullptr, "Microsoft Internet Explorer");
  ShellExecuteA(owner, "open", kMakerAddress, nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace

const MainWindowEvents kFormEvents = {
    OnCreated,
    OnExtractClicked,
    OnExportClicked,
    OnBannerPressed,
    OnGotFile,
};
