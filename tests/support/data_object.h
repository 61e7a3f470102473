// A data object for drops made by tests: it offers chosen clipboard formats
// as HGLOBAL data and records which formats it was asked for.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <map>
#include <string>
#include <vector>

#include "common/text.h"

// A CF_HDROP block (DROPFILES with ANSI paths) for `paths`.
Bytes DropFilesBlock(const std::vector<std::string>& paths);

class TestDataObject final : public IDataObject {
 public:
  TestDataObject() = default;
  // `data` is what GetData hands out for `format`.
  void Offer(CLIPFORMAT format, const Bytes& data) { formats_[format] = data; }
  void OfferText(CLIPFORMAT format, const std::string& text) {
    Bytes b(text.begin(), text.end());
    b.push_back(0);
    Offer(format, b);
  }

  // Formats asked for with QueryGetData and GetData, in order.
  std::vector<CLIPFORMAT> queried;
  std::vector<CLIPFORMAT> taken;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&references_); }
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override;
  HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override;
  HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override {
    if (out) out->ptd = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) override;
  HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
    return OLE_E_ADVISENOTSUPPORTED;
  }
  HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
  HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override {
    return OLE_E_ADVISENOTSUPPORTED;
  }

 private:
  ~TestDataObject() = default;
  LONG references_ = 1;
  std::map<CLIPFORMAT, Bytes> formats_;
};
