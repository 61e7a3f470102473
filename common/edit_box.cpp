#include "common/edit_box.h"

#include <string>

Text GetControlText(HWND box) {
  int length = GetWindowTextLengthA(box);
  if (length <= 0) return Text();
  std::string buffer(static_cast<size_t>(length) + 1, '\0');
  int got = GetWindowTextA(box, buffer.data(), length + 1);
  if (got <= 0) return Text();
  buffer.resize(static_cast<size_t>(got));
  return Text(std::string_view(buffer));
}

void SetControlText(HWND box, const Text& text) { SetWindowTextA(box, text.CStr()); }

void AppendText(HWND box, const Text& text) {
  // The length is in bytes of the code page, as EM_SETSEL counts for an ANSI
  // window; -1 would be "no selection", so the end is given explicitly.
  LRESULT end = GetWindowTextLengthA(box);
  SendMessageA(box, EM_SETSEL, static_cast<WPARAM>(end), end);
  SendMessageA(box, EM_SCROLLCARET, 0, 0);
  SendMessageA(box, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.CStr()));
}
