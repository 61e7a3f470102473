// Process start-up and shutdown.
#include <windows.h>
#include <ole2.h>

#include <cstdlib>
#include <new>

#include "app/main_window.h"
#include "common/external_functions.h"
#include "common/fatal_error.h"

namespace {

bool gOleInitialised = false;

// Frees what the process loaded: the outside libraries, then OLE.
void ReleaseProcessResources() {
  ProcessExternals().FreeLibraries();
  if (gOleInitialised) {
    gOleInitialised = false;
    OleUninitialize();
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  // The drop target needs OLE on this thread; a failure is not looked at.
  gOleInitialised = SUCCEEDED(OleInitialize(nullptr));
  SetFatalErrorCleanup(ReleaseProcessResources);

  SetCurrentDirectoryA(ExternalFunctionTable::ProgramFolder().c_str());
  ProcessExternals();

  std::unique_ptr<MainWindow> window = MainWindow::Load(instance);
  if (!window) ReportFatalError(0, "载入启动窗口失败");
  int code = 0;
  if (window->hwnd()) code = RunMessageLoop(window.get());
  window.reset();

  ReleaseProcessResources();
  return code;
}
