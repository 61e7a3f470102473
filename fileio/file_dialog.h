// 通用对话框1: the settings of a common file dialog, kept from one showing
// to the next, and the operation that shows it.
#pragma once

#include <windows.h>

#include <string>

#include "common/text.h"

// The platform's filter list for a filter text of pairs "description|pattern|":
// trailing white space dropped, "||" appended unless the text already ends
// with those two bytes, then every "|" that is a character of its own in
// `codePage` (not the second byte of a double-byte character) turned into a
// NUL. The result holds the list and one more NUL after it, so it always ends
// in an empty string. An empty (or all-blank) filter gives an empty result:
// no filter list at all.
std::string BuildFilterList(const Text& filter, UINT codePage = CP_ACP);

class FileDialog {
 public:
  enum Kind : int { kOpen = 0, kSave = 1 };

  // `owner` is the window the dialog is modal to (or its last active pop-up).
  explicit FileDialog(HWND owner = nullptr) : owner_(owner) {}
  void SetOwner(HWND owner) { owner_ = owner; }

  int kind() const { return kind_; }
  // Held within 0..3.
  void SetKind(int kind) { kind_ = kind < 0 ? 0 : kind > 3 ? 3 : kind; }
  const Text& title() const { return title_; }
  void SetTitle(const Text& title) { title_ = title; }
  const Text& fileName() const { return fileName_; }
  void SetFileName(const Text& name) { fileName_ = name; }
  const Text& filter() const { return filter_; }
  void SetFilter(const Text& filter) { filter_ = filter; }
  int filterIndex() const { return filterIndex_; }
  // A negative index is stored as 0.
  void SetFilterIndex(int index) { filterIndex_ = index < 0 ? 0 : index; }
  const Text& initialFolder() const { return initialFolder_; }
  void SetInitialFolder(const Text& folder) { initialFolder_ = folder; }
  const Text& defaultExtension() const { return defaultExtension_; }
  void SetDefaultExtension(const Text& extension) { defaultExtension_ = extension; }
  bool createPrompt() const { return createPrompt_; }
  void SetCreatePrompt(bool on) { createPrompt_ = on; }
  bool fileMustExist() const { return fileMustExist_; }
  void SetFileMustExist(bool on) { fileMustExist_ = on; }
  bool overwritePrompt() const { return overwritePrompt_; }
  void SetOverwritePrompt(bool on) { overwritePrompt_ = on; }
  bool pathMustExist() const { return pathMustExist_; }
  void SetPathMustExist(bool on) { pathMustExist_ = on; }
  bool keepCurrentFolder() const { return keepCurrentFolder_; }
  void SetKeepCurrentFolder(bool on) { keepCurrentFolder_ = on; }

  // The OFN_ flags of the current settings.
  DWORD Flags() const;

  // Shows the dialog modally: an open dialog for kind 0, a save dialog for
  // kind 1. True when the user confirmed a name; fileName() then holds its
  // full path. False when the user cancelled, the dialog failed, or the kind
  // is one this component does not show (2, 3); nothing changes then.
  bool Show();

 private:
  HWND owner_;
  int kind_ = kOpen;
  Text title_;
  Text fileName_;
  Text filter_;
  int filterIndex_ = 0;
  Text initialFolder_;
  Text defaultExtension_;
  bool createPrompt_ = false;
  bool fileMustExist_ = true;
  bool overwritePrompt_ = true;
  bool pathMustExist_ = true;
  bool keepCurrentFolder_ = false;
};
