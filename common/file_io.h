// Whole-file writing.
#pragma once

#include "common/text.h"

// Replaces the contents of the file `path` by `data`, creating the file when
// it does not exist. True with exactly those bytes in the file. False, with
// nothing changed, for an empty path, a read-only, hidden or system target, a
// file that another program holds open or has loaded, a missing folder, or a
// write that fails part-way (a full disk): the new bytes are written to a
// temporary file next to the target first, and only a complete copy takes
// the old file's place.
bool WriteWholeFile(const Text& path, const Bytes& data);
