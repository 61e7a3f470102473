// The file-exchange helpers without a window: the filter list, the drop
// effect for keys and offered effects, reading a whole file, turning file
// contents into text, and whole-file writing that never loses the old file.
#include <gtest/gtest.h>
#include <windows.h>
#include <ole2.h>

#include <string>

#include "common/file_io.h"
#include "common/scoped.h"
#include "fileio/drop_target.h"
#include "fileio/dropped_file.h"
#include "fileio/file_dialog.h"
#include "tests/support/test_support.h"

#ifndef TESSAVEL_SKIN_LIBRARY_HOST_PATH
#error the build names a library to load
#endif

namespace {

Bytes B(std::string_view s) { return Bytes(s.begin(), s.end()); }
std::string S(const Text& t) { return t.Str(); }

TEST(BuildFilterList, Cases) {
  using namespace std::string_literals;
  struct {
    const char* filter;
    UINT codePage;
    std::string expected;
  } cases[] = {
      {"", 936, ""s},
      {" \t\r\n", 936, ""s},
      {"文本文件(*.txt)|*.txt|", 936, "文本文件(*.txt)\0*.txt\0\0\0\0"s},
      {"a|b||", 936, "a\0b\0\0\0"s},
      {"a|b|c|d|  \r\n", 936, "a\0b\0c\0d\0\0\0\0"s},
      {"a|b", 936, "a\0b\0\0\0"s},
      // 0x81 0x7C is one GBK character: its "|" separates nothing.
      {"\x81|(*.x)|*.x|", 936, "\x81|(*.x)\0*.x\0\0\0\0"s},
      // The same bytes in a code page without double-byte characters.
      {"\x81|(*.x)|*.x|", 1252, "\x81\0(*.x)\0*.x\0\0\0\0"s},
      // The last two bytes are "||" but the first belongs to a character:
      // nothing is appended and the list still ends in an empty string.
      {"x\x81||", 936, "x\x81|\0\0"s},
      {"|", 936, "\0\0\0\0"s},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(BuildFilterList(Text(c.filter), c.codePage), c.expected) << c.filter;
  }
}

TEST(FileDialogSettings, DefaultsClampingAndFlags) {
  FileDialog dialog;
  EXPECT_EQ(dialog.kind(), 0);
  EXPECT_EQ(dialog.filterIndex(), 0);
  EXPECT_TRUE(dialog.fileName().IsEmpty());
  EXPECT_EQ(dialog.Flags(), static_cast<DWORD>(OFN_HIDEREADONLY | OFN_FILEMUSTEXIST |
                                                OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST |
                                                OFN_EXPLORER | OFN_ENABLESIZING | OFN_ENABLEHOOK));
  struct {
    int written, kind;
  } kinds[] = {{-5, 0}, {0, 0}, {1, 1}, {3, 3}, {4, 3}, {1000, 3}};
  for (const auto& k : kinds) {
    dialog.SetKind(k.written);
    EXPECT_EQ(dialog.kind(), k.kind) << k.written;
  }
  dialog.SetFilterIndex(-1);
  EXPECT_EQ(dialog.filterIndex(), 0);
  dialog.SetFilterIndex(7);
  EXPECT_EQ(dialog.filterIndex(), 7);

  dialog.SetCreatePrompt(true);
  dialog.SetFileMustExist(false);
  dialog.SetOverwritePrompt(false);
  dialog.SetPathMustExist(false);
  dialog.SetKeepCurrentFolder(true);
  EXPECT_EQ(dialog.Flags(), static_cast<DWORD>(OFN_HIDEREADONLY | OFN_CREATEPROMPT |
                                                OFN_NOCHANGEDIR | OFN_EXPLORER |
                                                OFN_ENABLESIZING | OFN_ENABLEHOOK));
  // Kinds 2 and 3 are not shown.
  dialog.SetKind(2);
  dialog.SetFileName("keep");
  EXPECT_FALSE(dialog.Show());
  EXPECT_EQ(dialog.fileName(), Text("keep"));
}

TEST(DropEffectFor, KeysAndOfferedEffects) {
  constexpr DWORD C = DROPEFFECT_COPY, M = DROPEFFECT_MOVE, L = DROPEFFECT_LINK,
                  N = DROPEFFECT_NONE;
  constexpr DWORD kNoKey = 0, kShift = MK_SHIFT, kCtrl = MK_CONTROL,
                  kBoth = MK_SHIFT | MK_CONTROL;
  struct {
    bool acceptable;
    DWORD keys;
    DWORD offered;
    DWORD effect;
  } cases[] = {
      {false, kNoKey, C | M | L, N},
      {true, kNoKey, C | M | L, C},
      {true, kNoKey, M | L, M},
      {true, kNoKey, L, L},
      {true, kNoKey, N, N},
      {true, kNoKey | MK_LBUTTON, C, C},
      {true, kShift, C | M | L, M},
      {true, kShift, C | L, N},
      {true, kCtrl, C | M | L, C},
      {true, kCtrl, M | L, N},
      {true, kBoth, C | M | L, N},
      {true, kBoth | MK_LBUTTON | MK_ALT, C, N},
      {true, MK_ALT, L | C, C},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DropEffectFor(c.acceptable, c.keys, c.offered), c.effect)
        << c.acceptable << " keys " << c.keys << " offered " << c.offered;
  }
}

// The window is recorded before RegisterDragDrop is called, so a failed
// registration is never tried again.
TEST(DropTargetComponent, RegistersOnceAndNamesItsFormats) {
  HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  DropTarget unlucky;
  EXPECT_EQ(unlucky.htmlFormat(), RegisterClipboardFormatA("HTML Format"));
  EXPECT_EQ(unlucky.urlFormat(), RegisterClipboardFormatA("UniformResourceLocator"));
  EXPECT_FALSE(unlucky.RegisterDropTarget(window)) << "OLE is not initialised on this thread";
  EXPECT_EQ(unlucky.registeredWindow(), window);
  {
    ScopedOleInitialize ole;
    EXPECT_FALSE(unlucky.RegisterDropTarget(window)) << "not tried again";
    {
      DropTarget lucky;
      EXPECT_TRUE(lucky.RegisterDropTarget(window));
      EXPECT_FALSE(lucky.RegisterDropTarget(window));
    }
    // The component withdrew its registration when it went.
    DropTarget next;
    EXPECT_TRUE(next.RegisterDropTarget(window));
    next.Revoke();
  }
  DestroyWindow(window);
}

TEST(IsMultiByteUtf8, Cases) {
  struct {
    const char* bytes;
    size_t length;
    bool expected;
  } cases[] = {
      {"", 0, false},
      {"plain ascii", 11, false},
      {"\xE4\xB8\xAD", 3, true},               // 中
      {"a\xC3\xA9z", 4, true},                 // é
      {"\xF0\x9F\x98\x80", 4, true},           // U+1F600
      {"\xC0\x80", 2, false},                  // overlong NUL
      {"\xE0\x80\xAF", 3, false},              // overlong "/"
      {"\xED\xA0\x80", 3, false},              // a surrogate
      {"\xF4\x90\x80\x80", 4, false},          // above U+10FFFF
      {"\xE4\xB8", 2, false},                  // cut short
      {"\x80", 1, false},                      // a lone continuation byte
      {"\xD6\xD0\xCE\xC4", 4, false},          // GBK 中文
      {"\xC4\xE3\xBA\xC3", 4, false},          // GBK 你好
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsMultiByteUtf8(c.bytes, c.length), c.expected) << testing::PrintToString(
        std::string(c.bytes, c.length));
  }
}

TEST(FileContentsToText, EncodingsAndTheFirstNul) {
  using namespace std::string_literals;
  struct {
    const char* what;
    std::string contents;
    std::string text;
  } cases[] = {
      {"ASCII", "abc"s, "abc"s},
      {"GBK byte for byte", "\xD6\xD0\xCE\xC4\r\n"s, "\xD6\xD0\xCE\xC4\r\n"s},
      {"bare LF kept", "a\nb\n"s, "a\nb\n"s},
      {"ends at the first NUL", "ab\0cd"s, "ab"s},
      {"NUL first", "\0abc"s, ""s},
      {"empty", ""s, ""s},
      {"UTF-8 with mark", "\xEF\xBB\xBF\xE4\xB8\xAD-x"s, "\xD6\xD0-x"s},
      {"UTF-8 mark only ASCII", "\xEF\xBB\xBFplain"s, "plain"s},
      {"UTF-8 mark, then NUL", "\xEF\xBB\xBF\x41\0\x42"s, "A"s},
      {"UTF-8 without mark", "x\xE4\xB8\xAD\xE6\x96\x87\r\n"s, "x\xD6\xD0\xCE\xC4\r\n"s},
      {"UTF-8 without a GBK mapping", "\xE0\xB8\x81"s, "?"s},  // Thai ko kai
      {"invalid UTF-8 stays bytes", "\xC0\x80z"s, "\xC0\x80z"s},
      // GBK that is also valid UTF-8, but of characters GBK does not have.
      {"GBK 状态 also UTF-8", "id,\xD7\xB4\xCC\xAC\r\n1,2\r\n"s, "id,\xD7\xB4\xCC\xAC\r\n1,2\r\n"s},
      {"GBK 说说 also UTF-8", "\xCB\xB5\xCB\xB5"s, "\xCB\xB5\xCB\xB5"s},
      {"UTF-16 LE", "\xFF\xFE\x41\x00\x62\x00\x2D\x4E"s, "Ab\xD6\xD0"s},
      {"UTF-16 BE", "\xFE\xFF\x00\x41\x4E\x2D\x00\x0D\x00\x0A"s, "A\xD6\xD0\r\n"s},
      {"UTF-16 ends at U+0000", "\xFF\xFE\x41\x00\x00\x00\x42\x00"s, "A"s},
      {"UTF-16 odd last byte", "\xFF\xFE\x41\x00\x42"s, "A"s},
      {"UTF-16 mark only", "\xFF\xFE"s, ""s},
      {"UTF-16 without a GBK mapping", "\xFF\xFE\x01\x0E\x41\x00"s, "?A"s},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(S(FileContentsToText(B(c.contents))), c.text) << c.what;
  }
}

TEST(ReadWholeFile, Cases) {
  TempFolder dir;
  const std::string file = dir.File("data.txt");
  ASSERT_TRUE(WriteFileBytes(file, B(std::string("abc\0def", 7))));
  const std::string empty = dir.File("empty.txt");
  ASSERT_TRUE(WriteFileBytes(empty, Bytes()));

  EXPECT_EQ(ReadWholeFile(Text(file.c_str())), B(std::string("abc\0def", 7)));
  EXPECT_TRUE(ReadWholeFile(Text()).empty());
  EXPECT_TRUE(ReadWholeFile(Text("")).empty());
  EXPECT_TRUE(ReadWholeFile(Text(dir.File("missing.txt").c_str())).empty());
  EXPECT_TRUE(ReadWholeFile(Text(dir.path().c_str())).empty()) << "a folder";
  EXPECT_TRUE(ReadWholeFile(Text(empty.c_str())).empty());

  struct {
    const char* holder;
    DWORD access, share;
    bool readable;
  } holders[] = {
      {"open for writing, sharing everything", GENERIC_WRITE,
       FILE_SHARE_READ | FILE_SHARE_WRITE, false},
      {"open for reading without sharing", GENERIC_READ, 0, false},
      {"open for reading, sharing reads", GENERIC_READ, FILE_SHARE_READ, true},
  };
  for (const auto& h : holders) {
    ScopedHandle held(CreateFileA(file.c_str(), h.access, h.share, nullptr, OPEN_EXISTING, 0,
                                  nullptr));
    ASSERT_TRUE(held.valid()) << h.holder;
    EXPECT_EQ(ReadWholeFile(Text(file.c_str())).empty(), !h.readable) << h.holder;
  }
}

// The several-files joint, read from real files.
TEST(LoadDroppedFiles, OneAndSeveralFiles) {
  TempFolder dir;
  const std::string a = dir.File("a.txt"), b = dir.File("b.txt"), c = dir.File("c.txt");
  ASSERT_TRUE(WriteFileBytes(a, B("one")));
  ASSERT_TRUE(WriteFileBytes(b, B("two\r\n")));
  ASSERT_TRUE(WriteFileBytes(c, B("\xEF\xBB\xBF\xE4\xB8\xAD")));
  const std::string missing = dir.File("missing.txt");
  struct {
    std::string argument;
    std::string text;
  } cases[] = {
      {a, "one"},
      {a + "\r\n", "one"},
      {a + "\r\n" + b + "\r\n" + c + "\r\n", "one\r\ntwo\r\n\xD6\xD0"},
      {b + "\r\n" + a + "\r\n", "two\r\none"},
      {a + "\r\n" + a + "\r\n", "one\r\none"},
      {a + "\r\n" + missing + "\r\n" + dir.path() + "\r\n" + c + "\r\n", "one\r\n\xD6\xD0"},
      {missing, ""},
      {"", ""},
  };
  for (const auto& k : cases) {
    EXPECT_EQ(S(LoadDroppedFiles(Text(k.argument.c_str()))), k.text) << k.argument;
  }
}

TEST(WriteWholeFile, ReplacesWithoutLeavingTemporaryFiles) {
  TempFolder dir;
  const std::string target = dir.File("out.txt");
  ASSERT_TRUE(WriteFileBytes(target, Bytes(5000, 'o')));
  const Bytes data = B("\xD6\xD0\r\nx");
  EXPECT_TRUE(WriteWholeFile(Text(target.c_str()), data));
  EXPECT_EQ(ReadFileBytes(target), data);
  // A relative name is written in the current folder.
  char old[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, old);
  SetCurrentDirectoryA(dir.path().c_str());
  EXPECT_TRUE(WriteWholeFile(Text("relative.txt"), data));
  SetCurrentDirectoryA(old);
  EXPECT_EQ(ReadFileBytes(dir.File("relative.txt")), data);
  // Only the two files are left in the folder.
  int files = 0;
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((dir.path() + "\\*").c_str(), &fd);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  do {
    if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++files;
  } while (FindNextFileA(h, &fd));
  FindClose(h);
  EXPECT_EQ(files, 2);
}

// Every refused target keeps its bytes and no stray file is left behind.
TEST(WriteWholeFile, RefusedTargetsAreLeftAlone) {
  TempFolder dir;
  const Bytes old = B("old contents");
  const Bytes data = B("new");
  struct {
    const char* what;
    DWORD attributes;
    DWORD heldAccess;  // 0: not held
    DWORD heldShare;
  } cases[] = {
      {"read-only", FILE_ATTRIBUTE_READONLY, 0, 0},
      {"hidden", FILE_ATTRIBUTE_HIDDEN, 0, 0},
      {"system", FILE_ATTRIBUTE_SYSTEM, 0, 0},
      {"held open without sharing", FILE_ATTRIBUTE_NORMAL, GENERIC_READ, 0},
      {"held open, sharing everything", FILE_ATTRIBUTE_NORMAL, GENERIC_READ,
       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE},
      {"held open for writing", FILE_ATTRIBUTE_NORMAL, GENERIC_WRITE, FILE_SHARE_READ},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string target = dir.File("t" + std::to_string(++n) + ".txt");
    ASSERT_TRUE(WriteFileBytes(target, old));
    ASSERT_TRUE(SetFileAttributesA(target.c_str(), c.attributes));
    ScopedHandle held;
    if (c.heldAccess) {
      held.reset(CreateFileA(target.c_str(), c.heldAccess, c.heldShare, nullptr, OPEN_EXISTING,
                             0, nullptr));
      ASSERT_TRUE(held.valid());
    }
    EXPECT_FALSE(WriteWholeFile(Text(target.c_str()), data));
    held.reset();
    SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(ReadFileBytes(target), old);
  }
  EXPECT_FALSE(WriteWholeFile(Text(dir.path().c_str()), data)) << "a folder";
  EXPECT_FALSE(WriteWholeFile(Text(dir.File("no\\such\\folder.txt").c_str()), data));
  EXPECT_FALSE(FileExists(dir.File("no")));
  EXPECT_FALSE(WriteWholeFile(Text((dir.path() + "\\").c_str()), data));

  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((dir.path() + "\\*.tmp").c_str(), &fd);
  EXPECT_EQ(h, INVALID_HANDLE_VALUE) << "a temporary file was left: " << fd.cFileName;
  if (h != INVALID_HANDLE_VALUE) FindClose(h);
}

// A library that a process has loaded cannot be written over: the second copy
// of the program writing its skin library meets exactly this.
TEST(WriteWholeFile, LeavesALoadedLibraryAlone) {
  TempFolder dir;
  const std::string library = dir.File("loaded.dll");
  const Bytes image = ReadFileBytes(HostPathToWindows(TESSAVEL_SKIN_LIBRARY_HOST_PATH));
  ASSERT_GT(image.size(), 2u);
  ASSERT_TRUE(WriteFileBytes(library, image));
  ScopedLibrary loaded(LoadLibraryA(library.c_str()));
  ASSERT_NE(loaded.get(), nullptr);
  EXPECT_FALSE(WriteWholeFile(Text(library.c_str()), B("MZ not any more")));
  EXPECT_EQ(ReadFileBytes(library), image);
  EXPECT_NE(GetProcAddress(loaded.get(), "SkinH_AttachEx"), nullptr);
}

}  // namespace
