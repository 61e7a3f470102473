#include "fileio/file_dialog.h"

#include <commdlg.h>

#include <algorithm>
#include <cstring>

namespace {

constexpr size_t kNameBufferSize = MAX_PATH;  // 260 bytes, the name and its NUL
constexpr size_t kTitleBufferSize = 64;

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// The hook only turns on the hook-enabled dialog template of the explorer
// style; it leaves every message to the dialog's own handling.
UINT_PTR CALLBACK FileDialogHook(HWND, UINT, WPARAM, LPARAM) { return 0; }

const char* NullWhenEmpty(const Text& text) { return text.IsEmpty() ? nullptr : text.CStr(); }

}  // namespace

std::string BuildFilterList(const Text& filter, UINT codePage) {
  std::string list = filter.Str();
  while (!list.empty() && IsBlank(list.back())) list.pop_back();
  if (list.empty()) return std::string();
  if (list.size() < 2 || list.compare(list.size() - 2, 2, "||") != 0) list += "||";
  // Character by character: a GBK trail byte may be 0x7C, and that "|" is
  // half of a character, not a separator.
  for (size_t i = 0; i < list.size(); ++i) {
    const auto b = static_cast<BYTE>(list[i]);
    if (IsDBCSLeadByteEx(codePage, b) && i + 1 < list.size()) {
      ++i;
    } else if (b == '|') {
      list[i] = '\0';
    }
  }
  list.push_back('\0');
  return list;
}

DWORD FileDialog::Flags() const {
  DWORD flags = OFN_HIDEREADONLY;
  if (createPrompt_) flags |= OFN_CREATEPROMPT;
  if (fileMustExist_) flags |= OFN_FILEMUSTEXIST;
  if (overwritePrompt_) flags |= OFN_OVERWRITEPROMPT;
  if (pathMustExist_) flags |= OFN_PATHMUSTEXIST;
  if (keepCurrentFolder_) flags |= OFN_NOCHANGEDIR;
  return flags | OFN_EXPLORER | OFN_ENABLESIZING | OFN_ENABLEHOOK;
}

bool FileDialog::Show() {
  if (kind_ != kOpen && kind_ != kSave) return false;

  const std::string filterList = BuildFilterList(filter_);
  char name[kNameBufferSize] = {};
  if (!fileName_.IsEmpty()) {
    std::memcpy(name, fileName_.CStr(), std::min(fileName_.Length(), kNameBufferSize - 1));
  }
  char title[kTitleBufferSize] = {};

  HWND owner = owner_ && IsWindow(owner_) ? GetLastActivePopup(owner_) : nullptr;
  HWND focus = GetFocus();

  OPENFILENAMEA ofn{};
  // The 76-byte form, without the Windows 2000 tail: the dialog looks the
  // same on every version and takes the hook.
  ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
  ofn.hwndOwner = owner;
  ofn.hInstance = nullptr;
  ofn.lpstrFilter = filterList.empty() ? nullptr : filterList.c_str();
  ofn.nFilterIndex = filterList.empty() ? 0 : static_cast<DWORD>(filterIndex_) + 1;
  ofn.lpstrFile = name;
  ofn.nMaxFile = kNameBufferSize;
  ofn.lpstrFileTitle = title;
  ofn.nMaxFileTitle = kTitleBufferSize;
  ofn.lpstrInitialDir = NullWhenEmpty(initialFolder_);
  ofn.lpstrTitle = NullWhenEmpty(title_);
  ofn.lpstrDefExt = NullWhenEmpty(defaultExtension_);
  ofn.Flags = Flags();
  ofn.lpfnHook = FileDialogHook;

  const BOOL confirmed = kind_ == kOpen ? GetOpenFileNameA(&ofn) : GetSaveFileNameA(&ofn);
  // The dialog enables its owner again; the focus goes back where it was.
  if (focus && IsWindow(focus)) SetFocus(focus);
  if (!confirmed) return false;
  name[kNameBufferSize - 1] = '\0';
  fileName_ = Text(name);
  return true;
}
