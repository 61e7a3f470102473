// Whole-file writing.
#pragma once

#include "common/text.h"

// Replaces the contents of the file `path` by `data`, creating the file when
// it does not exist. False, with nothing changed, for an empty path or a file
// that cannot be opened for writing; false after a failed or short write.
bool WriteWholeFile(const Text& path, const Bytes& data);
