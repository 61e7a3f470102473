// Small owners of Windows resources. Each is non-copyable; release() hands
// the resource over to the caller, who then owns it.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <oleauto.h>

#include <utility>

// A kernel handle. Both NULL and INVALID_HANDLE_VALUE mean "none": different
// APIs fail with different ones, and neither may be passed to CloseHandle.
class ScopedHandle {
 public:
  ScopedHandle() = default;
  explicit ScopedHandle(HANDLE h) : h_(h) {}
  ~ScopedHandle() { reset(); }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;

  bool valid() const { return h_ != nullptr && h_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return h_; }
  void reset(HANDLE h = nullptr) {
    if (valid()) CloseHandle(h_);
    h_ = h;
  }
  HANDLE release() { return std::exchange(h_, nullptr); }

 private:
  HANDLE h_ = nullptr;
};

// A COM interface pointer holding one reference.
template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  // Takes ownership of the reference that `p` carries.
  explicit ComPtr(T* p) : p_(p) {}
  ComPtr(const ComPtr& o) : p_(o.p_) { if (p_) p_->AddRef(); }
  ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  ComPtr& operator=(ComPtr o) noexcept { std::swap(p_, o.p_); return *this; }
  ~ComPtr() { reset(); }

  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  // For out-parameters: drops the current reference first.
  T** put() { reset(); return &p_; }
  void** put_void() { return reinterpret_cast<void**>(put()); }
  void reset() { if (p_) std::exchange(p_, nullptr)->Release(); }
  // Hands the reference to the caller.
  T* release() { return std::exchange(p_, nullptr); }

  template <class U>
  ComPtr<U> As(REFIID iid) const {
    ComPtr<U> out;
    if (p_) p_->QueryInterface(iid, out.put_void());
    return out;
  }

 private:
  T* p_ = nullptr;
};

// A VARIANT that is cleared when it goes out of scope.
class ScopedVariant {
 public:
  ScopedVariant() { VariantInit(&v_); }
  ~ScopedVariant() { VariantClear(&v_); }
  ScopedVariant(const ScopedVariant&) = delete;
  ScopedVariant& operator=(const ScopedVariant&) = delete;

  VARIANT* get() { return &v_; }
  const VARIANT* get() const { return &v_; }
  VARIANT* operator->() { return &v_; }
  const VARIANT* operator->() const { return &v_; }
  // Clears the old value; for out-parameters.
  VARIANT* put() { VariantClear(&v_); return &v_; }

 private:
  VARIANT v_;
};

// A BSTR freed with SysFreeString.
class ScopedBstr {
 public:
  ScopedBstr() = default;
  // Takes ownership of `s`.
  explicit ScopedBstr(BSTR s) : s_(s) {}
  ~ScopedBstr() { SysFreeString(s_); }
  ScopedBstr(const ScopedBstr&) = delete;
  ScopedBstr& operator=(const ScopedBstr&) = delete;

  BSTR get() const { return s_; }
  BSTR release() { return std::exchange(s_, nullptr); }

 private:
  BSTR s_ = nullptr;
};

// A module loaded with LoadLibrary.
class ScopedLibrary {
 public:
  ScopedLibrary() = default;
  explicit ScopedLibrary(HMODULE m) : m_(m) {}
  ~ScopedLibrary() { if (m_) FreeLibrary(m_); }
  ScopedLibrary(const ScopedLibrary&) = delete;
  ScopedLibrary& operator=(const ScopedLibrary&) = delete;

  HMODULE get() const { return m_; }
  HMODULE release() { return std::exchange(m_, nullptr); }

 private:
  HMODULE m_ = nullptr;
};

// A GDI object that is deleted when it goes out of scope.
template <class T>
class ScopedGdiObject {
 public:
  ScopedGdiObject() = default;
  explicit ScopedGdiObject(T obj) : obj_(obj) {}
  ~ScopedGdiObject() { reset(); }
  ScopedGdiObject(const ScopedGdiObject&) = delete;
  ScopedGdiObject& operator=(const ScopedGdiObject&) = delete;

  T get() const { return obj_; }
  void reset(T obj = nullptr) {
    if (obj_) DeleteObject(obj_);
    obj_ = obj;
  }

 private:
  T obj_ = nullptr;
};

// A selection of a GDI object into a DC, undone on scope exit.
class ScopedSelectObject {
 public:
  ScopedSelectObject(HDC dc, HGDIOBJ obj) : dc_(dc), old_(SelectObject(dc, obj)) {}
  ~ScopedSelectObject() { if (old_) SelectObject(dc_, old_); }
  ScopedSelectObject(const ScopedSelectObject&) = delete;
  ScopedSelectObject& operator=(const ScopedSelectObject&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// BeginPaint/EndPaint.
class ScopedPaint {
 public:
  explicit ScopedPaint(HWND hwnd) : hwnd_(hwnd) { dc_ = BeginPaint(hwnd, &ps_); }
  ~ScopedPaint() { EndPaint(hwnd_, &ps_); }
  ScopedPaint(const ScopedPaint&) = delete;
  ScopedPaint& operator=(const ScopedPaint&) = delete;

  HDC dc() const { return dc_; }
  const PAINTSTRUCT& ps() const { return ps_; }

 private:
  HWND hwnd_;
  HDC dc_;
  PAINTSTRUCT ps_{};
};

// A DC obtained with GetDC.
class ScopedGetDC {
 public:
  explicit ScopedGetDC(HWND hwnd) : hwnd_(hwnd), dc_(GetDC(hwnd)) {}
  ~ScopedGetDC() { if (dc_) ReleaseDC(hwnd_, dc_); }
  ScopedGetDC(const ScopedGetDC&) = delete;
  ScopedGetDC& operator=(const ScopedGetDC&) = delete;

  HDC get() const { return dc_; }

 private:
  HWND hwnd_;
  HDC dc_;
};

// OLE for the calling thread. OleUninitialize is paired with every call of
// OleInitialize, successful or not (S_FALSE also counts).
class ScopedOleInitialize {
 public:
  ScopedOleInitialize() : hr_(OleInitialize(nullptr)) {}
  ~ScopedOleInitialize() { if (SUCCEEDED(hr_)) OleUninitialize(); }
  ScopedOleInitialize(const ScopedOleInitialize&) = delete;
  ScopedOleInitialize& operator=(const ScopedOleInitialize&) = delete;

  HRESULT result() const { return hr_; }

 private:
  HRESULT hr_;
};
