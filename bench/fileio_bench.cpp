// Figures for loading and writing big files: reading a file whole, turning
// its contents into text (GBK byte for byte, UTF-8 with and without a mark,
// UTF-16), and writing it through a temporary file compared with writing in
// place.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "common/file_io.h"
#include "fileio/dropped_file.h"

namespace {

double Millis(LARGE_INTEGER a, LARGE_INTEGER b) {
  LARGE_INTEGER f;
  QueryPerformanceFrequency(&f);
  return 1000.0 * static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(f.QuadPart);
}

template <class F>
double Time(F f, int rounds = 5) {
  double best = 1e30;
  for (int i = 0; i < rounds; ++i) {
    LARGE_INTEGER a, b;
    QueryPerformanceCounter(&a);
    f();
    QueryPerformanceCounter(&b);
    best = std::min(best, Millis(a, b));
  }
  return best;
}

bool WriteInPlace(const std::string& path, const Bytes& data) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD put = 0;
  BOOL ok = WriteFile(h, data.data(), static_cast<DWORD>(data.size()), &put, nullptr);
  CloseHandle(h);
  return ok && put == data.size();
}

}  // namespace

int main() {
  char folder[MAX_PATH];
  GetTempPathA(MAX_PATH, folder);
  const std::string base = std::string(folder) + "tessavel-bench-";

  // About 6.4 MB of 100,000 lines, as the extraction figures use.
  std::string gbk, utf8;
  for (int i = 0; i < 100000; ++i) {
    gbk += "<td>\xD6\xD0\xCE\xC4 line " + std::to_string(i) + " of the source text</td>\r\n";
    utf8 += "<td>\xE4\xB8\xAD\xE6\x96\x87 line " + std::to_string(i) + " of the source text</td>\r\n";
  }
  std::wstring wide(utf8.size(), L'\0');
  wide.resize(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                  wide.data(), static_cast<int>(wide.size())));
  struct {
    const char* name;
    Bytes contents;
  } files[] = {
      {"GBK byte for byte", Bytes(gbk.begin(), gbk.end())},
      {"UTF-8 without mark", Bytes(utf8.begin(), utf8.end())},
      {"UTF-8 with mark", Bytes()},
      {"UTF-16 LE with mark", Bytes{0xFF, 0xFE}},
  };
  files[2].contents = {0xEF, 0xBB, 0xBF};
  files[2].contents.insert(files[2].contents.end(), utf8.begin(), utf8.end());
  const auto* w = reinterpret_cast<const uint8_t*>(wide.data());
  files[3].contents.insert(files[3].contents.end(), w, w + wide.size() * 2);

  std::printf("%-22s %10s %12s %12s\n", "contents", "bytes", "read ms", "to text ms");
  for (auto& f : files) {
    const std::string path = base + "load.txt";
    WriteWholeFile(Text(path.c_str()), f.contents);
    Bytes read;
    const double readMs = Time([&] { read = ReadWholeFile(Text(path.c_str())); });
    Text text;
    const double textMs = Time([&] { text = FileContentsToText(read); });
    std::printf("%-22s %10zu %12.1f %12.1f\n", f.name, f.contents.size(), readMs, textMs);
    DeleteFileA(path.c_str());
  }

  const std::string out = base + "write.txt";
  const Bytes data(gbk.begin(), gbk.end());
  WriteInPlace(out, data);
  const double replaceMs = Time([&] { WriteWholeFile(Text(out.c_str()), data); });
  const double inPlaceMs = Time([&] { WriteInPlace(out, data); });
  std::printf("write %zu bytes over an existing file: temporary file, flush and rename %.1f ms;"
              " in place without flush %.1f ms\n",
              data.size(), replaceMs, inPlaceMs);
  DeleteFileA(out.c_str());
  return 0;
}
