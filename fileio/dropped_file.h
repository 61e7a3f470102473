// The got-file handler: the files of a drop become the source text.
#pragma once

#include <windows.h>

#include "common/text.h"

// The whole contents of an existing file, or empty Bytes when anything fails
// (empty path, no such file, a folder, a file another handle holds open for
// writing, 2 GiB or more, no memory for the buffer, a failed read). The file
// is opened for reading with FILE_SHARE_READ and read with one call; a short
// read gives the bytes that came.
Bytes ReadWholeFile(const Text& path);

// The text of a file's contents in code page 936. Contents that start with a
// UTF-16 LE, UTF-16 BE or UTF-8 byte-order mark, and contents without a mark
// that are valid UTF-8 holding at least one multi-byte sequence, are decoded
// and converted (characters without a mapping become the code page's default
// character; the mark is dropped). Mark-less UTF-8 whose characters are not
// all in the code page stays byte for byte when it is valid GBK as well, so
// that GBK text is never destroyed. Everything else is taken byte for byte.
// The text ends at the first NUL character: the first zero byte of
// byte-oriented contents, the first U+0000 of UTF-16 contents.
Text FileContentsToText(const Bytes& contents);

// Whether `bytes` are well-formed UTF-8 (no overlong forms, no surrogates,
// nothing above U+10FFFF) with at least one multi-byte sequence.
bool IsMultiByteUtf8(const char* bytes, size_t length);

// The source text for a got-file argument: one path alone, or several paths
// each followed by CR LF. Several files give their texts in the order of the
// list, with CR LF put between two texts where the first does not already end
// with a line break.
Text LoadDroppedFiles(const Text& argument);

// The handler: replaces the whole text of `sourceBox` by LoadDroppedFiles.
void LoadDroppedFilesInto(HWND sourceBox, const Text& argument);
