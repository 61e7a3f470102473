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
  double readingGroups = 0;  // reading the groups and building the lines
  double appending = 0;
  int matches = 0;
  size_t appendedBytes = 0;
};

// Runs one press: pattern = front marker + "(.+?)" + back marker, nothing
// escaped, over the whole source text, letter case ignored, multi-line,
// global; each match gives the line group 1 + group 2 + CR LF.
void RunExtract(const ExtractBoxes& boxes, ExtractPhaseTimes* times = nullptr);

// Collects the lines of a press and appends them to a box with as few
// AppendText calls as possible: one for the whole press, or one per chunk of
// at least `chunkBytes` when the text is huge. The box ends up exactly as
// if every line had been appended on its own: the same bytes after the old
// text, the user's selection not replaced, the caret after the new text, the
// end in view, no undo record. Appending line by line would cost about 10 ms
// a line in some edit controls (a visible scroll bar is updated every time).
class LineAppender {
 public:
  static constexpr size_t kDefaultChunkBytes = 8u << 20;

  explicit LineAppender(HWND box, size_t chunkBytes = kDefaultChunkBytes);
  ~LineAppender();  // appends what is still pending
  LineAppender(const LineAppender&) = delete;
  LineAppender& operator=(const LineAppender&) = delete;

  // Adds the line `first` + `second` + CR LF.
  void AddLine(const Text& first, const Text& second);
  // Appends what is pending (nothing when nothing is).
  void Flush();

  size_t appendedBytes() const { return appended_; }
  // Time spent inside AppendText.
  double appendSeconds() const { return appendSeconds_; }

 private:
  HWND box_;
  size_t chunkBytes_;
  std::string pending_;
  size_t appended_ = 0;
  double appendSeconds_ = 0;
};
