// The Extract command: every piece of the source text between the front
// marker and the back marker, one line per match, appended to the results.
#pragma once

#include <windows.h>

#include <string>

#include "common/text.h"

// The four edit boxes the command reads and writes.
struct ExtractBoxes {
  HWND source;   // 编辑框1
  HWND front;    // 编辑框2
  HWND back;     // 编辑框3
  HWND results;  // 编辑框4
};

// Where the time of one press went; for the benchmark.
struct ExtractPhaseTimes {
  double readingBoxes = 0;
  double conversion = 0;
  double engine = 0;
  double readingGroups = 0;  // reading the groups, building the lines, releasing the engine
  double appending = 0;
  // CPU time of the calling thread for the whole press and for appending
  // (the wall-clock figures above stretch with the load of the machine).
  double pressCpu = 0;
  double appendingCpu = 0;
  int matches = 0;
  size_t appendedBytes = 0;
};

// Runs one press: pattern = front marker + "(.+?)" + back marker, nothing
// escaped, over the whole source text, letter case ignored, multi-line,
// global; each match gives the line group 1 + group 2 + CR LF.
void RunExtract(const ExtractBoxes& boxes, ExtractPhaseTimes* times = nullptr);

// Appends `lines` (each ending in CR LF) to a box with as few AppendText
// calls as possible: one, or one per chunk of at least `chunkBytes` when the
// text is huge, each chunk ending after a line feed (never inside a
// character: 0x0A is no trail byte in code page 936). The box ends up exactly
// as if every line had been appended on its own: the same bytes after the old
// text, the user's selection not replaced, the caret after the new text, the
// end in view, no undo record. Nothing is done for empty `lines`.
//
// Appending line by line would cost about 10 ms a line in Wine's edit
// control, whose visible scroll bar is updated every time.
constexpr size_t kAppendChunkBytes = 8u << 20;
void AppendLines(HWND box, const std::string& lines, size_t chunkBytes = kAppendChunkBytes);
