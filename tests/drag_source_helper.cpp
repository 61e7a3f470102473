// A second process that drags files with OLE, as a file manager would: the
// left button goes down on its own little window, DoDragDrop starts, and
// synthesised mouse input carries the drag to a point on the screen, where
// the button is released.
//   drag_source_helper X Y PATH...
// Exit code 0 when the drop reached a target that offered a copy; the
// result of DoDragDrop and the effects are printed.
#include <windows.h>
#include <ole2.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "common/scoped.h"
#include "tests/support/data_object.h"

namespace {

HANDLE gDragging = nullptr;       // set at the first QueryContinueDrag
volatile LONG gLastFeedback = -1;  // the last effect shown to the user

class ButtonDropSource : public IDropSource {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDropSource)) {
      *out = this;
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escape, DWORD keys) override {
    SetEvent(gDragging);
    if (escape) return DRAGDROP_S_CANCEL;
    if (!(keys & MK_LBUTTON)) return DRAGDROP_S_DROP;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD effect) override {
    InterlockedExchange(&gLastFeedback, static_cast<LONG>(effect));
    return DRAGDROP_S_USEDEFAULTCURSORS;
  }
};

void SendMouse(DWORD flags, int x, int y) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  // Absolute coordinates are in 0..65535 over the primary screen.
  in.mi.dx = MulDiv(x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
  in.mi.dy = MulDiv(y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
  in.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE;
  SendInput(1, &in, sizeof in);
}

bool WaitFor(bool (*done)(), DWORD timeoutMs) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  while (!done()) {
    if (GetTickCount64() >= deadline) return false;
    Sleep(10);
  }
  return true;
}

POINT gTarget;
POINT gStep;

// Moves the pressed mouse in steps to the target, waits there until the
// target has answered with an effect, and lets go.
void Mover(POINT start) {
  if (WaitForSingleObject(gDragging, 20000) != WAIT_OBJECT_0) return;
  const int steps = 12;
  for (int i = 1; i <= steps; ++i) {
    const int x = start.x + (gTarget.x - start.x) * i / steps;
    const int y = start.y + (gTarget.y - start.y) * i / steps;
    gStep = {x, y};
    SendMouse(MOUSEEVENTF_MOVE, x, y);
    // Each step is taken before the next one is made.
    WaitFor([] {
      POINT p;
      GetCursorPos(&p);
      return p.x == gStep.x && p.y == gStep.y;
    }, 2000);
  }
  // The drop target answers DragEnter/DragOver across processes.
  WaitFor([] { return gLastFeedback == DROPEFFECT_COPY; }, 10000);
  SendMouse(MOUSEEVENTF_LEFTUP, gTarget.x, gTarget.y);
}

LRESULT CALLBACK GripProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  return DefWindowProcA(hwnd, msg, wp, lp);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: drag_source_helper X Y PATH...\n");
    return 2;
  }
  gTarget = {std::atoi(argv[1]), std::atoi(argv[2])};
  std::vector<std::string> paths(argv + 3, argv + argc);

  ScopedOleInitialize ole;
  gDragging = CreateEventA(nullptr, TRUE, FALSE, nullptr);

  // The place where the drag starts: a window of this process, so that the
  // button press is this thread's input.
  WNDCLASSA wc{};
  wc.lpfnWndProc = GripProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "TessavelDragGrip";
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  RegisterClassA(&wc);
  const POINT start = {40, 40};
  HWND grip = CreateWindowExA(WS_EX_TOPMOST, wc.lpszClassName, "drag", WS_POPUP | WS_VISIBLE,
                              start.x - 30, start.y - 30, 60, 60, nullptr, nullptr,
                              wc.hInstance, nullptr);
  SetForegroundWindow(grip);

  SendMouse(MOUSEEVENTF_MOVE, start.x, start.y);
  SendMouse(MOUSEEVENTF_LEFTDOWN, start.x, start.y);
  // Like a file manager, the drag begins on the press.
  const ULONGLONG deadline = GetTickCount64() + 10000;
  bool pressed = false;
  while (!pressed && GetTickCount64() < deadline) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_LBUTTONDOWN && msg.hwnd == grip) pressed = true;
      DispatchMessageA(&msg);
    }
    if (!pressed) MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  if (!pressed) {
    std::printf("the button press never arrived\n");
    return 3;
  }

  ComPtr<TestDataObject> data(new TestDataObject);
  data->Offer(CF_HDROP, DropFilesBlock(paths));
  ButtonDropSource source;
  std::thread mover(Mover, start);
  DWORD effect = DROPEFFECT_NONE;
  HRESULT hr = DoDragDrop(data.get(), &source, DROPEFFECT_COPY | DROPEFFECT_MOVE, &effect);
  mover.join();
  DestroyWindow(grip);
  std::printf("DoDragDrop=%08lx effect=%lu feedback=%ld\n", static_cast<unsigned long>(hr),
              effect, gLastFeedback);
  // Wine hands the target's E_FAIL from Drop back as the result.
  const bool dropped = hr == DRAGDROP_S_DROP || hr == E_FAIL;
  return dropped && gLastFeedback == DROPEFFECT_COPY ? 0 : 1;
}
