// 拖放对象1: the drop-target component of the main window. It turns an OLE
// drop into the four events got-text, got-HTML, got-URL and got-file.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <functional>

#include "common/text.h"

// Which kinds of dropped data the component lets through. The form stores
// all four switched on.
struct DropSwitches {
  bool text = true;   // CF_TEXT
  bool html = true;   // "HTML Format"
  bool url = true;    // "UniformResourceLocator"
  bool files = true;  // CF_HDROP
};

// The effect a drop has for the keys held and the effects the drag source
// offers, for data that is acceptable: no key copies (else moves, else
// links), Shift alone moves, Ctrl alone copies, Ctrl and Shift does nothing.
DWORD DropEffectFor(bool acceptable, DWORD keyState, DWORD offered);

class DropTargetObject;

class DropTarget {
 public:
  // Each event gets a Text that the component owns for the length of the call.
  using TextEvent = std::function<void(const Text&)>;

  // Registers the two named clipboard formats.
  explicit DropTarget(const DropSwitches& switches = DropSwitches());
  // Withdraws a registration that is still in place and cuts the COM object
  // loose: the platform may hold it a little longer, but it delivers nothing.
  ~DropTarget();
  DropTarget(const DropTarget&) = delete;
  DropTarget& operator=(const DropTarget&) = delete;

  // Makes `window` a drop target. False without doing anything when a window
  // was registered before (even when that registration failed: the handle is
  // recorded before RegisterDragDrop is called); otherwise true when
  // RegisterDragDrop answers S_OK. Needs OLE on the calling thread.
  bool RegisterDropTarget(HWND window);
  // Withdraws the registration (RevokeDragDrop); the registered window keeps
  // its record, so the component is never registered a second time. Called
  // when the window is destroyed.
  void Revoke();

  HWND registeredWindow() const { return window_; }
  bool acceptable() const { return acceptable_; }
  const DropSwitches& switches() const { return switches_; }
  // The formats registered at creation.
  CLIPFORMAT htmlFormat() const { return htmlFormat_; }
  CLIPFORMAT urlFormat() const { return urlFormat_; }
  // The COM object handed to RegisterDragDrop; no reference is added.
  IDropTarget* object() const;

  TextEvent gotText;
  TextEvent gotHtml;
  TextEvent gotUrl;
  TextEvent gotFile;

  // The IDropTarget methods, called through the COM object.
  void DragEnter(IDataObject* data, DWORD keyState, DWORD* effect);
  void DragOver(DWORD keyState, DWORD* effect);
  void DragLeave();
  void Drop(IDataObject* data, DWORD keyState, DWORD* effect);

 private:
  bool Offers(IDataObject* data, CLIPFORMAT format) const;

  DropSwitches switches_;
  CLIPFORMAT htmlFormat_ = 0;
  CLIPFORMAT urlFormat_ = 0;
  HWND window_ = nullptr;
  bool registered_ = false;
  bool acceptable_ = false;
  DropTargetObject* object_ = nullptr;  // one reference, owned
};

// The got-file event's argument for a CF_HDROP handle: one path alone, or
// every path followed by CR LF, in the order of the list.
Text DroppedFilesArgument(HDROP drop);
