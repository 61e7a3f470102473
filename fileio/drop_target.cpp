#include "fileio/drop_target.h"

#include <shellapi.h>

#include <string>

// The COM face of the component. The platform holds references to it for as
// long as the window is registered (and, across processes, a little longer);
// the component holds one more. When the component goes, it cuts the link and
// the object answers every call as a window that takes nothing.
class DropTargetObject final : public IDropTarget {
 public:
  explicit DropTargetObject(DropTarget* owner) : owner_(owner) {}
  void Detach() { owner_ = nullptr; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDropTarget)) {
      *out = static_cast<IDropTarget*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&references_); }
  ULONG STDMETHODCALLTYPE Release() override {
    LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  // No exception may cross back into ole32: every method catches all.
  HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keyState, POINTL,
                                      DWORD* effect) override {
    if (!effect) return E_INVALIDARG;
    try {
      if (owner_) {
        owner_->DragEnter(data, keyState, effect);
      } else {
        *effect = DROPEFFECT_NONE;
      }
    } catch (...) {
      *effect = DROPEFFECT_NONE;
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DragOver(DWORD keyState, POINTL, DWORD* effect) override {
    if (!effect) return E_INVALIDARG;
    try {
      if (owner_) {
        owner_->DragOver(keyState, effect);
      } else {
        *effect = DROPEFFECT_NONE;
      }
    } catch (...) {
      *effect = DROPEFFECT_NONE;
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DragLeave() override {
    try {
      if (owner_) owner_->DragLeave();
    } catch (...) {
    }
    return S_OK;
  }
  // E_FAIL in every case, also after the data has been delivered.
  HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keyState, POINTL,
                                 DWORD* effect) override {
    DWORD ignored = DROPEFFECT_NONE;
    if (!effect) effect = &ignored;
    try {
      if (owner_) {
        owner_->Drop(data, keyState, effect);
      } else {
        *effect = DROPEFFECT_NONE;
      }
    } catch (...) {
      *effect = DROPEFFECT_NONE;
    }
    return E_FAIL;
  }

 private:
  ~DropTargetObject() = default;
  LONG references_ = 1;
  DropTarget* owner_;
};

namespace {

// The text of an HGLOBAL medium: its bytes up to the first NUL, never past
// the block's end even when the sender forgot the NUL.
Text GlobalText(HGLOBAL global) {
  if (!global) return Text("");
  const SIZE_T size = GlobalSize(global);
  const char* p = static_cast<const char*>(GlobalLock(global));
  if (!p) return Text("");
  Text text(std::string_view(p, size));
  GlobalUnlock(global);
  return text;
}

FORMATETC HglobalFormat(CLIPFORMAT format) {
  FORMATETC fe{};
  fe.cfFormat = format;
  fe.ptd = nullptr;
  fe.dwAspect = DVASPECT_CONTENT;
  fe.lindex = -1;
  fe.tymed = TYMED_HGLOBAL;
  return fe;
}

// A medium released on scope exit.
class ScopedMedium {
 public:
  ScopedMedium() = default;
  ~ScopedMedium() {
    if (taken_) ReleaseStgMedium(&medium_);
  }
  ScopedMedium(const ScopedMedium&) = delete;
  ScopedMedium& operator=(const ScopedMedium&) = delete;

  bool Get(IDataObject* data, CLIPFORMAT format) {
    FORMATETC fe = HglobalFormat(format);
    taken_ = SUCCEEDED(data->GetData(&fe, &medium_));
    return taken_ && medium_.tymed == TYMED_HGLOBAL && medium_.hGlobal;
  }
  HGLOBAL global() const { return medium_.hGlobal; }

 private:
  STGMEDIUM medium_{};
  bool taken_ = false;
};

}  // namespace

DWORD DropEffectFor(bool acceptable, DWORD keyState, DWORD offered) {
  if (!acceptable) return DROPEFFECT_NONE;
  const bool ctrl = (keyState & MK_CONTROL) != 0;
  const bool shift = (keyState & MK_SHIFT) != 0;
  if (ctrl && shift) return DROPEFFECT_NONE;
  if (shift) return (offered & DROPEFFECT_MOVE) ? DROPEFFECT_MOVE : DROPEFFECT_NONE;
  if (ctrl) return (offered & DROPEFFECT_COPY) ? DROPEFFECT_COPY : DROPEFFECT_NONE;
  if (offered & DROPEFFECT_COPY) return DROPEFFECT_COPY;
  if (offered & DROPEFFECT_MOVE) return DROPEFFECT_MOVE;
  if (offered & DROPEFFECT_LINK) return DROPEFFECT_LINK;
  return DROPEFFECT_NONE;
}

Text DroppedFilesArgument(HDROP drop) {
  const UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
  std::string argument;
  for (UINT i = 0; i < count; ++i) {
    const UINT length = DragQueryFileA(drop, i, nullptr, 0);
    std::string path(static_cast<size_t>(length) + 1, '\0');
    const UINT got = DragQueryFileA(drop, i, path.data(), length + 1);
    path.resize(got);
    argument += path;
    if (count > 1) argument += "\r\n";
  }
  return Text(std::string_view(argument));
}

DropTarget::DropTarget(const DropSwitches& switches)
    : switches_(switches),
      htmlFormat_(static_cast<CLIPFORMAT>(RegisterClipboardFormatA("HTML Format"))),
      urlFormat_(static_cast<CLIPFORMAT>(RegisterClipboardFormatA("UniformResourceLocator"))),
      object_(new DropTargetObject(this)) {}

DropTarget::~DropTarget() {
  Revoke();
  object_->Detach();
  object_->Release();
}

IDropTarget* DropTarget::object() const { return object_; }

bool DropTarget::RegisterDropTarget(HWND window) {
  if (window_) return false;
  window_ = window;
  registered_ = RegisterDragDrop(window, object_) == S_OK;
  return registered_;
}

void DropTarget::Revoke() {
  if (!registered_) return;
  registered_ = false;
  RevokeDragDrop(window_);
}

bool DropTarget::Offers(IDataObject* data, CLIPFORMAT format) const {
  if (!data || !format) return false;
  FORMATETC fe = HglobalFormat(format);
  return data->QueryGetData(&fe) == S_OK;
}

void DropTarget::DragEnter(IDataObject* data, DWORD keyState, DWORD* effect) {
  // Asked in this order, stopping at the first kind offered.
  acceptable_ = (switches_.text && Offers(data, CF_TEXT)) ||
                (switches_.files && Offers(data, CF_HDROP)) ||
                (switches_.url && Offers(data, urlFormat_)) ||
                (switches_.html && Offers(data, htmlFormat_));
  *effect = DropEffectFor(acceptable_, keyState, *effect);
}

void DropTarget::DragOver(DWORD keyState, DWORD* effect) {
  *effect = DropEffectFor(acceptable_, keyState, *effect);
}

void DropTarget::DragLeave() { acceptable_ = false; }

void DropTarget::Drop(IDataObject* data, DWORD keyState, DWORD* effect) {
  *effect = DropEffectFor(acceptable_, keyState, *effect);
  if (*effect == DROPEFFECT_NONE || !data) return;

  // Each kind is taken and its event fired before the next is looked at.
  if (switches_.text && Offers(data, CF_TEXT) && !Offers(data, htmlFormat_)) {
    ScopedMedium medium;
    if (medium.Get(data, CF_TEXT)) {
      Text text = GlobalText(medium.global());
      if (gotText) gotText(text);
    }
  }
  if (switches_.html && Offers(data, htmlFormat_)) {
    ScopedMedium medium;
    if (medium.Get(data, htmlFormat_)) {
      Text html = GlobalText(medium.global());
      if (gotHtml) gotHtml(html);
    }
  }
  if (switches_.url && Offers(data, urlFormat_)) {
    ScopedMedium medium;
    if (medium.Get(data, urlFormat_)) {
      Text url = GlobalText(medium.global());
      if (gotUrl) gotUrl(url);
    }
  }
  if (switches_.files && Offers(data, CF_HDROP)) {
    ScopedMedium medium;
    if (medium.Get(data, CF_HDROP)) {
      Text paths = DroppedFilesArgument(static_cast<HDROP>(medium.global()));
      if (gotFile) gotFile(paths);
    }
  }
}
