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

double ThreadCpuSeconds() {
  FILETIME created, exited, kernel, user;
  if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user)) return 0;
  auto seconds = [](const FILETIME& f) {
    return static_cast<double>((static_cast<ULONGLONG>(f.dwHighDateTime) << 32) | f.dwLowDateTime) /
           1e7;
  };
  return seconds(kernel) + seconds(user);
}

}  // namespace

void AppendLines(HWND box, const std::string& lines, size_t chunkBytes) {
  if (chunkBytes == 0) chunkBytes = 1;
  size_t from = 0;
  while (from < lines.size()) {
    size_t end = lines.size();
    if (end - from > chunkBytes) {
      const size_t lineFeed = lines.find('\n', from + chunkBytes - 1);
      if (lineFeed != std::string::npos) end = lineFeed + 1;
    }
    AppendText(box, Text(std::string_view(lines).substr(from, end - from)));
    from = end;
  }
}

void RunExtract(const ExtractBoxes& boxes, ExtractPhaseTimes* times) {
  Stopwatch watch;
  ExtractPhaseTimes t;
  const double cpuStart = ThreadCpuSeconds();
  std::string lines;  // every line of the press, in order
  {
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

    regex.Create(pattern, std::move(subject));
    pattern = Text();
    watch.Lap();
    t.conversion = regex.lastCreateTimes().conversionSeconds;
    t.engine = regex.lastCreateTimes().engineSeconds;

    const int count = regex.GetMatchCount();
    t.matches = count > 0 ? count : 0;
    // Every match of one pattern has the same groups. Without a second group
    // its text is the empty Text for every match, which the engine would only
    // confirm with a failing call per match.
    const bool hasSecondGroup = count > 0 && regex.GetSubMatchCount() >= 2;
    for (int k = 1; k <= count; ++k) {
      const Text g1 = regex.GetSubMatchText(k, 1);
      lines.append(g1.CStr(), TextLength(g1));
      if (hasSecondGroup) {
        const Text g2 = regex.GetSubMatchText(k, 2);
        lines.append(g2.CStr(), TextLength(g2));
      }
      lines.append("\r\n", 2);
    }
  }  // the engine, its matches and the subject go before the box grows
  t.readingGroups = watch.Lap();

  const double cpuBeforeAppend = ThreadCpuSeconds();
  AppendLines(boxes.results, lines);
  t.appending = watch.Lap();
  t.pressCpu = ThreadCpuSeconds() - cpuStart;
  t.appendingCpu = t.pressCpu - (cpuBeforeAppend - cpuStart);
  t.appendedBytes = lines.size();
  if (times) *times = t;
}
