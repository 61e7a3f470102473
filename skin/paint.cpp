#include "skin/paint.h"

#include <string>

#include "common/scoped.h"

namespace {

void FillSolid(HDC dc, const RECT& rc, COLORREF colour) {
  SetDCBrushColor(dc, colour);
  FillRect(dc, &rc, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

// A frame `width` pixels wide just inside `rc`.
void FrameSolid(HDC dc, const RECT& rc, COLORREF colour, int width) {
  const RECT sides[] = {
      {rc.left, rc.top, rc.right, rc.top + width},
      {rc.left, rc.bottom - width, rc.right, rc.bottom},
      {rc.left, rc.top, rc.left + width, rc.bottom},
      {rc.right - width, rc.top, rc.right, rc.bottom},
  };
  for (const RECT& side : sides) FillSolid(dc, side, colour);
}

// The window's text as UTF-16, so that no code-page round trip touches it.
// Empty when it cannot be had.
std::wstring WindowTextOf(HWND hwnd) {
  try {
    const int length = GetWindowTextLengthW(hwnd);
    if (length <= 0) return std::wstring();
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int got = GetWindowTextW(hwnd, &text[0], length + 1);
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return text;
  } catch (...) {
    return std::wstring();
  }
}

UINT HorizontalTextFlags(LONG style, LONG exStyle, UINT fallback) {
  if (exStyle & WS_EX_RIGHT) return DT_RIGHT;
  switch (style & BS_CENTER) {
    case BS_LEFT:
      return DT_LEFT;
    case BS_RIGHT:
      return DT_RIGHT;
    case BS_CENTER:
      return DT_CENTER;
    default:
      return fallback;
  }
}

bool HidesAccelerators(HWND hwnd) {
  return (SendMessageW(hwnd, WM_QUERYUISTATE, 0, 0) & UISF_HIDEACCEL) != 0;
}

// The DC keeps its state across the painting of one control.
class SavedDC {
 public:
  explicit SavedDC(HDC dc) : dc_(dc), saved_(SaveDC(dc)) {}
  ~SavedDC() { if (saved_) RestoreDC(dc_, saved_); }
  SavedDC(const SavedDC&) = delete;
  SavedDC& operator=(const SavedDC&) = delete;

 private:
  HDC dc_;
  int saved_;
};

}  // namespace

bool IsSkinnedPushButtonStyle(LONG style) {
  const LONG type = style & BS_TYPEMASK;
  return (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON) &&
         !(style & (BS_BITMAP | BS_ICON));
}

void PaintPushButton(HWND button, HDC dc, const Skin& skin, bool hot) {
  if (!dc) return;
  SavedDC saved(dc);
  RECT rc;
  GetClientRect(button, &rc);
  // Buttons belong to a CS_PARENTDC class: a DC from GetDC clips to the
  // parent, so the button's own area is set here.
  IntersectClipRect(dc, rc.left, rc.top, rc.right, rc.bottom);

  const SkinColours& c = skin.colours;
  const LONG style = GetWindowLongW(button, GWL_STYLE);
  const LRESULT state = SendMessageW(button, BM_GETSTATE, 0, 0);
  const bool enabled = IsWindowEnabled(button) != FALSE;
  const bool pushed = enabled && (state & BST_PUSHED);
  const bool focused = enabled && (state & BST_FOCUS);
  const bool isDefault = (style & BS_TYPEMASK) == BS_DEFPUSHBUTTON;

  COLORREF face = c.buttonFace;
  if (enabled && pushed) {
    face = c.pressedButtonFace;
  } else if (enabled && hot) {
    face = c.hotButtonFace;
  }
  const COLORREF frame =
      enabled && (pushed || hot || focused || isDefault) ? c.accent : c.border;
  const int width = skin.buttonFrameWidth;
  FillSolid(dc, rc, frame);
  RECT inner = rc;
  InflateRect(&inner, -width, -width);
  FillSolid(dc, inner, face);

  const std::wstring text = WindowTextOf(button);
  if (!text.empty()) {
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(button, WM_GETFONT, 0, 0));
    if (font) SelectObject(dc, font);
    UINT flags = HorizontalTextFlags(style, GetWindowLongW(button, GWL_EXSTYLE), DT_CENTER);
    flags |= (style & BS_MULTILINE) ? DT_WORDBREAK : DT_SINGLELINE;
    if (HidesAccelerators(button)) flags |= DT_HIDEPREFIX;
    RECT area = inner;
    InflateRect(&area, -2, -1);
    // DrawText centres multi-line text only across, so the block is measured
    // and placed vertically here, as the platform's buttons do.
    RECT measured = area;
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &measured, flags | DT_CALCRECT);
    const int height = measured.bottom - measured.top;
    int top = area.top + (area.bottom - area.top - height) / 2;
    if ((style & BS_VCENTER) == BS_TOP) top = area.top;
    if ((style & BS_VCENTER) == BS_BOTTOM) top = area.bottom - height;
    RECT place = {area.left, top, area.right, top + height};
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, enabled ? c.text : c.disabledText);
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &place, flags);
  }

  if (focused && !(SendMessageW(button, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS)) {
    RECT focus = rc;
    InflateRect(&focus, -(width + 2), -(width + 2));
    SetTextColor(dc, c.text);
    SetBkColor(dc, face);
    DrawFocusRect(dc, &focus);
  }
}

void RepaintPushButton(HWND button, const Skin& skin, bool hot) {
  if (!IsWindowVisible(button)) return;
  if (!IsSkinnedPushButtonStyle(GetWindowLongW(button, GWL_STYLE))) return;
  ScopedGetDC dc(button);
  PaintPushButton(button, dc.get(), skin, hot);
}

void PaintGroupBox(HWND box, HDC dc, const Skin& skin, HBRUSH fallbackFace) {
  if (!dc) return;
  SavedDC saved(dc);
  RECT rc;
  GetClientRect(box, &rc);
  IntersectClipRect(dc, rc.left, rc.top, rc.right, rc.bottom);
  HFONT font = reinterpret_cast<HFONT>(SendMessageW(box, WM_GETFONT, 0, 0));
  if (font) SelectObject(dc, font);

  // A group box takes its background from its parent, as the platform's does.
  HWND parent = GetParent(box);
  HBRUSH background = reinterpret_cast<HBRUSH>(
      SendMessageW(parent ? parent : box, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                   reinterpret_cast<LPARAM>(box)));
  if (!background) background = fallbackFace;

  TEXTMETRICW tm{};
  GetTextMetricsW(dc, &tm);
  RECT frame = rc;
  frame.top += tm.tmHeight / 2 - 1;
  // The platform's etched frame is two pixels wide and may have been drawn
  // directly (on WM_ENABLE, WM_SETTEXT): both rings are cleared first.
  FrameRect(dc, &frame, background);
  RECT innerRing = frame;
  InflateRect(&innerRing, -1, -1);
  FrameRect(dc, &innerRing, background);
  FrameSolid(dc, frame, skin.colours.border, 1);

  const std::wstring text = WindowTextOf(box);
  if (text.empty()) return;
  const LONG style = GetWindowLongW(box, GWL_STYLE);
  UINT flags = DT_SINGLELINE | DT_TOP |
               HorizontalTextFlags(style, GetWindowLongW(box, GWL_EXSTYLE), DT_LEFT);
  if (HidesAccelerators(box)) flags |= DT_HIDEPREFIX;
  RECT area = rc;
  InflateRect(&area, -7, 0);
  RECT measured = area;
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &measured, flags | DT_CALCRECT);
  const int width = measured.right - measured.left;
  int left = area.left + 1;
  if (flags & DT_CENTER) left = area.left + (area.right - area.left - width) / 2;
  if (flags & DT_RIGHT) left = area.right - 1 - width;
  RECT place = {left, area.top, left + width, area.top + (measured.bottom - measured.top)};
  RECT gap = place;
  InflateRect(&gap, 1, 0);
  FillRect(dc, &gap, background);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, IsWindowEnabled(box) ? skin.colours.text : skin.colours.disabledText);
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &place, flags);
}

void PaintEditBorder(HWND edit, const Skin& skin) {
  if (!IsWindowVisible(edit)) return;
  const LONG style = GetWindowLongW(edit, GWL_STYLE);
  const bool focused = IsWindowEnabled(edit) && GetFocus() == edit;
  const COLORREF colour = focused ? skin.colours.accent : skin.colours.border;
  if (style & WS_BORDER) {
    // A platform that keeps WS_BORDER draws the line in the non-client area.
    HDC dc = GetWindowDC(edit);
    if (!dc) return;
    RECT rc;
    GetWindowRect(edit, &rc);
    OffsetRect(&rc, -rc.left, -rc.top);
    FrameSolid(dc, rc, colour, 1);
    ReleaseDC(edit, dc);
    return;
  }
  ScopedGetDC dc(edit);
  if (!dc.get()) return;
  RECT client;
  GetClientRect(edit, &client);
  // Edit controls are CS_PARENTDC as well.
  IntersectClipRect(dc.get(), client.left, client.top, client.right, client.bottom);
  // The same line the control draws: along a scroll bar it runs one pixel
  // beyond the client area, so that side shows no line.
  RECT line = client;
  if (style & ES_MULTILINE) {
    if (style & WS_VSCROLL) line.right += 1;
    if (style & WS_HSCROLL) line.bottom += 1;
  }
  FrameSolid(dc.get(), line, colour, 1);
}

namespace {
constexpr LONG kEdgeStyles =
    WS_EX_CLIENTEDGE | WS_EX_STATICEDGE | WS_EX_WINDOWEDGE | WS_EX_DLGMODALFRAME;
}  // namespace

bool CreatesFlatEditBorder(LONG style, LONG exStyle) {
  return (style & WS_BORDER) && !(exStyle & kEdgeStyles);
}

bool HasFlatEditBorder(HWND edit) {
  if (GetWindowLongW(edit, GWL_EXSTYLE) & kEdgeStyles) return false;
  if (GetWindowLongW(edit, GWL_STYLE) & WS_BORDER) return true;
  // An edit box created earlier no longer shows WS_BORDER in its style. The
  // border it keeps for itself still pushes its text in from the client
  // edge: its format rectangle starts past the border and the left margin.
  RECT format{};
  SendMessageW(edit, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&format));
  RECT client{};
  GetClientRect(edit, &client);
  const int leftMargin = LOWORD(SendMessageW(edit, EM_GETMARGINS, 0, 0));
  return format.left - client.left - leftMargin >= 1;
}
