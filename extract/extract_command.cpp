#include "extract/extract_command.h"

#include "common/edit_box.h"
#include "extract/regex_object.h"
#include "extract/text_conversion.h"

namespace {

class Stopwatch {
 public:
  Stopwatch() {
    QueryPerformanceFrequency(&frequency_);
    QueryPerformanceCounter(&start_);
  }
  // Seconds since the start or the last lap.
  double Lap() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    const double s = static_cast<double>(now.QuadPart - start_.QuadPart) /
                     static_cast<double>(frequency_.QuadPart);
    start_ = now;
    return s;
  }

 private:
  LARGE_INTEGER frequency_;
  LARGE_INTEGER start_;
};

}  // namespace

LineAppender::LineAppender(HWND box, size_t chunkBytes) : box_(box), chunkBytes_(chunkBytes) {}

LineAppender::~LineAppender() { Flush(); }

void LineAppender::AddLine(const Text& first, const Text& second) {
  pending_.append(first.CStr(), TextLength(first));
  pending_.append(second.CStr(), TextLength(second));
  pending_.append("\r\n", 2);
  // Lines are never split, so a chunk never ends inside a character.
  if (pending_.size() >= chunkBytes_) Flush();
}

void LineAppender::Flush() {
  if (pending_.empty()) return;
  Stopwatch watch;
  AppendText(box_, Text(std::string_view(pending_)));
  appendSeconds_ += watch.Lap();
  appended_ += pending_.size();
  pending_.clear();
}

void RunExtract(const ExtractBoxes& boxes, ExtractPhaseTimes* times) {
  Stopwatch watch;
  ExtractPhaseTimes t;

  // COM is initialised for the press before any box is read.
  RegexObject regex;
  Text pattern;
  {
    const Text front = GetControlText(boxes.front);
    const Text back = GetControlText(boxes.back);
    pattern = JoinText({front, Text("(.+?)"), back});
  }
  Text subject = GetControlText(boxes.source);
  t.readingBoxes = watch.Lap();

  regex.Create(pattern, subject);
  pattern = Text();
  subject = Text();
  watch.Lap();
  t.conversion = regex.lastCreateTimes().conversionSeconds;
  t.engine = regex.lastCreateTimes().engineSeconds;

  const int count = regex.GetMatchCount();
  t.matches = count > 0 ? count : 0;
  // Every match of one pattern has the same groups. Without a second group
  // its text is the empty Text for every match, which the engine would only
  // confirm with a failing call per match.
  const bool hasSecondGroup = count > 0 && regex.GetSubMatchCount() >= 2;
  {
    LineAppender lines(boxes.results);
    for (int k = 1; k <= count; ++k) {
      const Text g1 = regex.GetSubMatchText(k, 1);
      const Text g2 = hasSecondGroup ? regex.GetSubMatchText(k, 2) : Text("");
      lines.AddLine(g1, g2);
    }
    lines.Flush();
    t.appending = lines.appendSeconds();
    t.appendedBytes = lines.appendedBytes();
  }
  t.readingGroups = watch.Lap() - t.appending;
  if (times) *times = t;
}
