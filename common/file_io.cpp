#include "common/file_io.h"

#include <windows.h>

#include <string>

#include "common/scoped.h"

namespace {

// A temporary file that is deleted unless it was moved into place.
class TemporaryFile {
 public:
  TemporaryFile() = default;
  ~TemporaryFile() {
    if (!path_.empty()) DeleteFileA(path_.c_str());
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  // Creates a new, uniquely named empty file in `folder`. Windows refuses a
  // folder longer than MAX_PATH - 14 bytes, leaving room for the name it
  // adds; Wine does not, and would write past the buffer: the rule is
  // checked here.
  bool Create(const std::string& folder) {
    if (folder.size() > MAX_PATH - 14) return false;
    char name[MAX_PATH] = {};
    if (!GetTempFileNameA(folder.c_str(), "tsv", 0, name)) return false;
    path_ = name;
    return true;
  }
  const std::string& path() const { return path_; }
  // The file now lives under another name; nothing is left to delete.
  void Keep() { path_.clear(); }

 private:
  std::string path_;
};

// Writes `data` as the whole file, opened with `disposition`, and flushes it.
bool WriteAll(const std::string& path, const Bytes& data, DWORD disposition) {
  ScopedHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, disposition,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return false;
  if (!data.empty()) {
    DWORD written = 0;
    if (!WriteFile(file.get(), data.data(), static_cast<DWORD>(data.size()), &written, nullptr) ||
        written != data.size()) {
      return false;
    }
  }
  // On the disk before it takes the old file's place.
  if (!FlushFileBuffers(file.get())) return false;
  return CloseHandle(file.release()) != FALSE;
}

// Whether nobody holds the file `path` open, nor has it loaded as a program
// image: it opens for writing without sharing, exactly as writing it in place
// would need. A missing file counts as free; a missing folder does not.
bool NobodyHolds(const std::string& path) {
  ScopedHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.valid()) return true;
  return GetLastError() == ERROR_FILE_NOT_FOUND;
}

}  // namespace

bool WriteWholeFile(const Text& path, const Bytes& data) {
  if (path.IsEmpty()) return false;
  // A read-only target is refused, and a hidden or system one, as opening it
  // for CREATE_ALWAYS without those attributes would be. The check is made
  // here because a file system may let a privileged user through (Wine run
  // as root does), and because the replacement below would take no notice.
  DWORD attributes = GetFileAttributesA(path.CStr());
  if (attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                     FILE_ATTRIBUTE_DIRECTORY))) {
    return false;
  }
  if (!NobodyHolds(path.Str())) return false;

  // The new contents go to a file of their own in the same folder (so that
  // the final rename stays on one volume), and only a complete copy takes
  // the old file's place: a full disk or a failed write leaves the old file
  // as it was.
  char full[MAX_PATH] = {};
  char* namePart = nullptr;
  DWORD n = GetFullPathNameA(path.CStr(), MAX_PATH, full, &namePart);
  if (n == 0 || n >= MAX_PATH || !namePart || namePart == full) return false;
  const std::string folder(full, namePart);

  TemporaryFile temporary;
  if (!temporary.Create(folder)) {
    // No file of our own can be made there: a folder path too long for a
    // temporary name (more than MAX_PATH - 14 bytes), or a folder where the
    // user may change files but not create them. Writing in place is then
    // the only way, as before; a missing folder fails here as well.
    return WriteAll(path.Str(), data, CREATE_ALWAYS);
  }
  if (!WriteAll(temporary.path(), data, TRUNCATE_EXISTING)) return false;

  // Asked again right before the move, since writing took a while. A rename
  // is not refused for every kind of open handle (one shared for deletion,
  // say), where writing in place would be: this keeps the two alike.
  if (!NobodyHolds(path.Str())) return false;
  if (!MoveFileExA(temporary.path().c_str(), path.CStr(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return false;
  }
  temporary.Keep();
  return true;
}
