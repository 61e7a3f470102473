// Times whole presses of "提取" in the real window over generated inputs and
// prints the medians of the presses and of their phases, and the process's
// peak memory.
//
//   extract_bench CASE [PRESSES]     CASE: html, chinese, big, nomatch
//
// Run one case per process (scripts/bench.sh does), so that the peak memory
// that the system reports belongs to that case alone.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "common/edit_box.h"
#include "extract/extract_command.h"

namespace {

struct BenchCase {
  const char* name;
  const char* description;
  size_t bytes;    // size of the source text
  int matches;     // records with a link; 0: no link anywhere
  bool chinese;
  int presses;
};

const BenchCase kCases[] = {
    {"html", "6 MB HTML-like CR LF, 100,000 links", 6000000, 100000, false, 5},
    {"chinese", "6 MB HTML-like CR LF with Chinese GBK text, 100,000 links", 6000000, 100000, true,
     5},
    {"big", "50 MB HTML-like CR LF, 1,000,000 links", 50000000, 1000000, false, 3},
    {"nomatch", "6 MB HTML-like CR LF without any link", 6000000, 100000, false, 5},
};

// One record a line, padded to the case's average record size with filler
// text; the link's target is what the markers cut out.
std::string MakeSource(const BenchCase& c, size_t* expectedLineBytes) {
  const size_t perRecord = c.bytes / static_cast<size_t>(c.matches);
  std::string text;
  text.reserve(c.bytes + 256);
  *expectedLineBytes = 0;
  const char* filler = c.chinese ? "这是一段用来填充的中文说明文字，" : "lorem ipsum dolor sit amet, ";
  const size_t fillerLength = std::strlen(filler);
  char record[512];
  for (int i = 0; i < c.matches; ++i) {
    int n;
    if (c.name == std::string("nomatch")) {
      n = std::snprintf(record, sizeof record, "<a name=\"p%06d\">%d</a> ", i, i);
    } else if (c.chinese) {
      n = std::snprintf(record, sizeof record, "<a href=\"/文档/第%06d页\">条目%d</a> ", i, i);
      *expectedLineBytes += std::strlen("/文档/第000000页") + 2;
    } else {
      n = std::snprintf(record, sizeof record, "<a href=\"/docs/p%06d.html\">%d</a> ", i, i);
      *expectedLineBytes += std::strlen("/docs/p000000.html") + 2;
    }
    std::string line(record, static_cast<size_t>(n));
    // Fill up to the record size (whole characters only), then end the line.
    while (line.size() + fillerLength + 6 <= perRecord) line += filler;
    while (line.size() + 6 < perRecord) line += '.';
    line += "<br>\r\n";
    text += line;
  }
  return text;
}

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const size_t m = v.size() / 2;
  return v.size() % 2 ? v[m] : (v[m - 1] + v[m]) / 2;
}

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER f;
  QueryPerformanceFrequency(&f);
  return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(f.QuadPart);
}

LARGE_INTEGER Now() {
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return t;
}

PROCESS_MEMORY_COUNTERS Memory() {
  PROCESS_MEMORY_COUNTERS m{};
  m.cb = sizeof m;
  GetProcessMemoryInfo(GetCurrentProcess(), &m, sizeof m);
  return m;
}

double Mb(size_t bytes) { return static_cast<double>(bytes) / 1e6; }

// The largest working set and private bytes seen while a press runs. The
// system's own peak counters cover the whole life of the process, the
// filling of the source box included; sampling every millisecond isolates
// the press.
class MemorySampler {
 public:
  MemorySampler() : thread_([this] { Run(); }) {}
  ~MemorySampler() { Stop(); }
  void Stop() {
    if (!thread_.joinable()) return;
    stop_ = true;
    thread_.join();
  }
  size_t peakWorkingSet() const { return peakWorkingSet_; }
  size_t peakPrivate() const { return peakPrivate_; }

 private:
  void Run() {
    do {
      const PROCESS_MEMORY_COUNTERS m = Memory();
      peakWorkingSet_ = std::max<size_t>(peakWorkingSet_, m.WorkingSetSize);
      peakPrivate_ = std::max<size_t>(peakPrivate_, m.PagefileUsage);
      Sleep(1);
    } while (!stop_);
  }

  std::atomic<bool> stop_{false};
  size_t peakWorkingSet_ = 0;
  size_t peakPrivate_ = 0;
  std::thread thread_;
};

void NoHandler(MainWindow&) {}

void PumpMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

int RunCase(const BenchCase& c, int presses) {
  std::printf("%s: %s, %d presses\n", c.name, c.description, presses);
  // As in the program: OLE for the UI thread all along, COM per press.
  OleInitialize(nullptr);
  const MainWindowEvents events = {NoHandler, nullptr, nullptr, nullptr, nullptr};
  std::unique_ptr<MainWindow> window = MainWindow::Load(GetModuleHandleA(nullptr), events);
  if (!window || !window->hwnd()) {
    std::printf("the window could not be created\n");
    return 1;
  }
  PumpMessages();
  const ExtractBoxes boxes = {window->control(Control::kSourceBox),
                              window->control(Control::kFrontBox),
                              window->control(Control::kBackBox),
                              window->control(Control::kResultsBox)};
  const PROCESS_MEMORY_COUNTERS baseline = Memory();

  size_t lineBytes = 0;
  LARGE_INTEGER t0 = Now();
  {
    const std::string source = MakeSource(c, &lineBytes);
    SetControlText(boxes.source, Text(source.c_str()));
  }
  SetControlText(boxes.front, "<a href=\"");
  SetControlText(boxes.back, "\">");
  PumpMessages();
  const double fillSeconds = Seconds(t0, Now());
  const size_t sourceBytes = GetWindowTextLengthA(boxes.source);
  const PROCESS_MEMORY_COUNTERS filled = Memory();
  std::printf("  source %.1f MB in the box (filled in %.1f s, not part of a press)\n",
              Mb(sourceBytes), fillSeconds);

  std::vector<double> total, cpu, cpuBeforeAppend, reading, conversion, engine, groups, appending, beforeAppend;
  ExtractPhaseTimes last;
  size_t pressWorkingSet = 0, pressPrivate = 0;  // the largest rise during a press
  for (int i = 0; i < presses; ++i) {
    // Every press starts with an empty results box, and the last one leaves
    // its lines there.
    SetControlText(boxes.results, "");
    PumpMessages();
    ExtractPhaseTimes t;
    const PROCESS_MEMORY_COUNTERS before = Memory();
    MemorySampler sampler;
    LARGE_INTEGER start = Now();
    RunExtract(boxes, &t);
    const double s = Seconds(start, Now());
    cpu.push_back(t.pressCpu);
    cpuBeforeAppend.push_back(t.pressCpu - t.appendingCpu);
    sampler.Stop();
    if (sampler.peakWorkingSet() > before.WorkingSetSize) {
      pressWorkingSet = std::max<size_t>(pressWorkingSet, sampler.peakWorkingSet() - before.WorkingSetSize);
    }
    if (sampler.peakPrivate() > before.PagefileUsage) {
      pressPrivate = std::max<size_t>(pressPrivate, sampler.peakPrivate() - before.PagefileUsage);
    }
    PumpMessages();
    total.push_back(s);
    reading.push_back(t.readingBoxes);
    conversion.push_back(t.conversion);
    engine.push_back(t.engine);
    groups.push_back(t.readingGroups);
    appending.push_back(t.appending);
    beforeAppend.push_back(s - t.appending);
    last = t;
    std::printf("  press %d: %.3f s, UI thread CPU %.3f s (%d matches, %.1f MB appended)\n",
                i + 1, s, cpu.back(), t.matches, Mb(t.appendedBytes));
  }
  const size_t resultBytes = GetWindowTextLengthA(boxes.results);
  const PROCESS_MEMORY_COUNTERS after = Memory();

  std::printf("  matches %d, lines %.2f MB (expected %.2f MB)\n", last.matches,
              Mb(last.appendedBytes), Mb(lineBytes));
  std::printf("  median press                      %8.3f s (UI thread CPU %.3f s)\n", Median(total),
              Median(cpu));
  std::printf("    reading the boxes               %8.3f s\n", Median(reading));
  std::printf("    conversion                      %8.3f s\n", Median(conversion));
  std::printf("    engine (Execute)                %8.3f s\n", Median(engine));
  std::printf("    groups, lines, releasing engine %8.3f s\n", Median(groups));
  std::printf("    appending (EM_REPLACESEL)       %8.3f s\n", Median(appending));
  std::printf("    all but appending               %8.3f s (UI thread CPU %.3f s)\n",
              Median(beforeAppend), Median(cpuBeforeAppend));
  const size_t texts = sourceBytes + resultBytes;
  std::printf("  texts: source %.1f MB + results %.1f MB = %.1f MB\n", Mb(sourceBytes),
              Mb(resultBytes), Mb(texts));
  std::printf("  working set: baseline %.1f MB, peak after filling %.1f MB, peak %.1f MB"
              " (+%.1f MB = %.2f x texts)\n",
              Mb(baseline.WorkingSetSize), Mb(filled.PeakWorkingSetSize),
              Mb(after.PeakWorkingSetSize), Mb(after.PeakWorkingSetSize - baseline.WorkingSetSize),
              static_cast<double>(after.PeakWorkingSetSize - baseline.WorkingSetSize) /
                  static_cast<double>(texts));
  std::printf("  private bytes: baseline %.1f MB, peak after filling %.1f MB, peak %.1f MB"
              " (+%.1f MB = %.2f x texts)\n",
              Mb(baseline.PagefileUsage), Mb(filled.PeakPagefileUsage),
              Mb(after.PeakPagefileUsage), Mb(after.PeakPagefileUsage - baseline.PagefileUsage),
              static_cast<double>(after.PeakPagefileUsage - baseline.PagefileUsage) /
                  static_cast<double>(texts));
  std::printf("  during a press: working set +%.1f MB (%.2f x texts), private bytes +%.1f MB"
              " (%.2f x texts)\n",
              Mb(pressWorkingSet), static_cast<double>(pressWorkingSet) / static_cast<double>(texts),
              Mb(pressPrivate), static_cast<double>(pressPrivate) / static_cast<double>(texts));
  std::fflush(stdout);
  window.reset();
  OleUninitialize();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::printf("usage: extract_bench CASE [PRESSES]\ncases:\n");
    for (const BenchCase& c : kCases) std::printf("  %-8s %s\n", c.name, c.description);
    return 2;
  }
  for (const BenchCase& c : kCases) {
    if (std::strcmp(argv[1], c.name) == 0) {
      const int presses = argc > 2 ? std::max(1, std::atoi(argv[2])) : c.presses;
      return RunCase(c, presses);
    }
  }
  std::printf("unknown case %s\n", argv[1]);
  return 2;
}
