// Text helpers and the conversions between code-page-936 text and UTF-16.
//
// UTF-16 data travels as Bytes in little-endian order, two bytes a unit.
// "With terminator" means the data ends in one zero unit (two zero bytes).
// Each conversion makes exactly two platform calls through the process's
// outside-function table: one to measure, one to convert into a buffer of
// the exact size.
#pragma once

#include <initializer_list>

#include <windows.h>
#include <oleauto.h>

#include "common/text.h"

// Bytes before the terminating NUL; 0 for an absent text.
size_t TextLength(const Text& text);

// The parts one after the other; always a present text (the empty one when
// every part is empty or absent).
Text JoinText(std::initializer_list<Text> parts);

// -1, 0 or 1 as `a` sorts before, equal to or after `b`: unsigned bytes, no
// folding of any kind; an absent text is the empty one; a proper prefix
// sorts first.
int CompareText(const Text& a, const Text& b);

// UTF-16 with terminator. An absent text gives empty Bytes, the empty text
// the two bytes of the terminator. Invalid sequences get the platform's
// ordinary substitution.
Bytes GbkToUnicode(const Text& text);

// Empty Bytes for an absent or empty text; otherwise GbkToUnicode, without
// the terminator when `dropTerminator` is true.
Bytes GbkToUnicodeEx(const Text& text, bool dropTerminator = false);

// GbkToUnicodeEx(text, true) made straight into a string of the automation
// layer (a BSTR the caller frees), for the subject of a search: the largest
// buffer of a press is then converted once, not converted and copied. The
// same two platform calls; an absent or empty text gives the empty string.
BSTR GbkToUnicodeString(const Text& text);

// Code-page-936 text of the first length/2 units (an odd trailing byte is
// ignored). A zero unit ends the text; characters without a mapping become
// the code page's default character.
Text UnicodeToGbk(const Bytes& utf16);
