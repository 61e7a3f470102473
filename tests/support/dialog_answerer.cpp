#include "tests/support/dialog_answerer.h"

#include <dlgs.h>

#include <vector>

#include "tests/support/test_support.h"

namespace {

void Click(HWND dialog, int id) {
  // Posted, never sent: the press may open a modal question that the
  // answering thread must still be free to see.
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// The name box of an explorer-style file dialog: the combo box cmb13 on
// newer templates, the edit box edt1 on older ones.
HWND NameBox(HWND dialog) {
  HWND box = GetDlgItem(dialog, cmb13);
  return box ? box : GetDlgItem(dialog, edt1);
}

}  // namespace

HWND FindDialog(DWORD pid, HWND owner) {
  for (HWND h : TopWindowsOf(pid, "#32770")) {
    if (!IsWindowVisible(h)) continue;
    if (owner && GetWindow(h, GW_OWNER) != owner) continue;
    return h;
  }
  return nullptr;
}

DialogAnswerer::DialogAnswerer(DWORD pid, HWND owner, DialogAnswer answer)
    : pid_(pid), owner_(owner), answer_(std::move(answer)), thread_([this] { Run(); }) {}

DialogAnswerer::~DialogAnswerer() { Join(); }

void DialogAnswerer::Join() {
  if (thread_.joinable()) thread_.join();
}

void DialogAnswerer::Run() {
  HWND dialog = nullptr;
  if (!WaitUntil([&] { return (dialog = FindDialog(pid_, owner_)) != nullptr; }, 20000)) return;
  HWND nameBox = nullptr;
  // The dialog fills its controls while it initialises.
  WaitUntil([&] { return (nameBox = NameBox(dialog)) != nullptr && IsWindowVisible(nameBox); },
            10000);
  seen_.found = true;
  seen_.caption = WindowText(dialog);
  seen_.nameBox = nameBox ? WindowText(nameBox) : "";
  if (HWND type = GetDlgItem(dialog, cmb1)) seen_.fileType = WindowText(type);
  seen_.ownerDisabled = owner_ && !IsWindowEnabled(owner_);

  if (answer_.cancel) {
    Click(dialog, IDCANCEL);
  } else {
    if (!answer_.name.empty() && nameBox) {
      SendMessageA(nameBox, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(answer_.name.c_str()));
    }
    Click(dialog, IDOK);
  }
  // Either the dialog closes, or it asks first whether to replace the file.
  HWND question = nullptr;
  WaitUntil(
      [&] {
        if (!IsWindow(dialog) || !IsWindowVisible(dialog)) return true;
        question = FindDialog(pid_, dialog);
        return question != nullptr;
      },
      20000);
  if (question) {
    seen_.asked = true;
    Click(question, answer_.replace ? IDYES : IDNO);
    if (!answer_.replace) {
      WaitUntil([&] { return !IsWindow(question); }, 10000);
      Click(dialog, IDCANCEL);
    }
  }
  seen_.closed = WaitUntil([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }, 20000);
}
