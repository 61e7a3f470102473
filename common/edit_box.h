// Reading, writing and appending the text of an edit box.
#pragma once

#include <windows.h>

#include "common/text.h"

// A copy of the box's whole content; an empty box gives the absent Text.
Text GetControlText(HWND box);
// Replaces the whole content; line ends are not changed.
void SetControlText(HWND box, const Text& text);
// Puts `text` after all of the box's text, whatever the user had selected:
// the caret stands after the new text, the end is in view, no undo record.
void AppendText(HWND box, const Text& text);
