// How the skinned controls are drawn. Each function paints with the
// skin's colours over what the platform would have drawn, and leaves the
// control's places, texts and fonts as they are.
#pragma once

#include <windows.h>

#include "skin/skin_file.h"

// A push button with text that the skin draws itself: not a picture button,
// not owner-drawn, not a check box or radio button.
bool IsSkinnedPushButtonStyle(LONG style);

// The whole face of a push button: flat face by state, frame, text, focus.
void PaintPushButton(HWND button, HDC dc, const Skin& skin, bool hot);
// Paints a push button at once, outside WM_PAINT (after the platform has
// drawn into it directly on a state change).
void RepaintPushButton(HWND button, const Skin& skin, bool hot);

// The frame line and caption of a group box, flat and one pixel wide, at the
// height where the platform puts its etched frame.
void PaintGroupBox(HWND box, HDC dc, const Skin& skin, HBRUSH fallbackFace);

// The one-pixel border of an edit box: the accent colour while it has the
// focus, the border colour otherwise. Drawn with a DC of its own.
void PaintEditBorder(HWND edit, const Skin& skin);

// Whether an edit box has the plain one-pixel border: WS_BORDER without any
// 3-D edge. An edit control takes WS_BORDER off its style when it is created
// and draws that border inside its client area itself, so the creation style
// is the sure sign (CreatesFlatEditBorder) and HasFlatEditBorder works it out
// for an edit box that already exists.
bool CreatesFlatEditBorder(LONG style, LONG exStyle);
bool HasFlatEditBorder(HWND edit);
