#include "tests/support/data_object.h"

#include <shlobj.h>

#include <cstring>

Bytes DropFilesBlock(const std::vector<std::string>& paths) {
  DROPFILES header{};
  header.pFiles = sizeof header;
  header.fWide = FALSE;
  Bytes block(reinterpret_cast<const uint8_t*>(&header),
              reinterpret_cast<const uint8_t*>(&header) + sizeof header);
  for (const std::string& p : paths) {
    block.insert(block.end(), p.begin(), p.end());
    block.push_back(0);
  }
  block.push_back(0);
  return block;
}

HRESULT TestDataObject::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDataObject)) {
    *out = static_cast<IDataObject*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG TestDataObject::Release() {
  LONG left = InterlockedDecrement(&references_);
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

HRESULT TestDataObject::QueryGetData(FORMATETC* format) {
  if (!format) return E_INVALIDARG;
  queried.push_back(format->cfFormat);
  if (!(format->tymed & TYMED_HGLOBAL)) return DV_E_TYMED;
  if (format->dwAspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  return formats_.count(format->cfFormat) ? S_OK : DV_E_FORMATETC;
}

HRESULT TestDataObject::GetData(FORMATETC* format, STGMEDIUM* medium) {
  if (!format || !medium) return E_INVALIDARG;
  taken.push_back(format->cfFormat);
  auto it = formats_.find(format->cfFormat);
  if (it == formats_.end() || !(format->tymed & TYMED_HGLOBAL)) return DV_E_FORMATETC;
  HGLOBAL global = GlobalAlloc(GMEM_MOVEABLE, it->second.size() ? it->second.size() : 1);
  if (!global) return E_OUTOFMEMORY;
  void* p = GlobalLock(global);
  if (!it->second.empty()) std::memcpy(p, it->second.data(), it->second.size());
  GlobalUnlock(global);
  medium->tymed = TYMED_HGLOBAL;
  medium->hGlobal = global;  // the receiver frees it with ReleaseStgMedium
  medium->pUnkForRelease = nullptr;
  return S_OK;
}

HRESULT TestDataObject::EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) {
  if (!out) return E_INVALIDARG;
  *out = nullptr;
  if (direction != DATADIR_GET) return E_NOTIMPL;
  std::vector<FORMATETC> list;
  for (const auto& f : formats_) {
    FORMATETC fe{f.first, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    list.push_back(fe);
  }
  return SHCreateStdEnumFmtEtc(static_cast<UINT>(list.size()), list.data(), out);
}
