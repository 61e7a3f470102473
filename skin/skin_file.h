// The skin file: the colours and the frame width of a look, read from a
// small binary file and checked field by field (docs/skin-format.md).
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

// What SkinH_AttachEx returns. Every failure leaves nothing attached by
// that call.
enum SkinResult : int {
  kSkinAttached = 0,
  kSkinMissing = 1,         // no path given, or no file (or folder) at the path
  kSkinUnreadable = 2,      // the path exists but cannot be opened or read
  kSkinWrongMark = 3,       // the file does not start with ".SHE"
  kSkinUnknownVersion = 4,  // a format version this library does not read
  kSkinCutShort = 5,        // the file ends before its last field is complete
  kSkinBadValue = 6,        // a field outside its bounds, or bytes after the last field
  kSkinNotAttachable = 7,   // the calling thread cannot take the skin now
};

// The colours of a look, as COLORREF (0x00BBGGRR), in the file's order.
struct SkinColours {
  COLORREF windowFace;         // top-level windows, dialogs, labels, group boxes
  COLORREF text;               // button, group box and label text
  COLORREF accent;             // focused edit box, focused / hot / pressed button frame
  COLORREF buttonFace;         // a push button at rest
  COLORREF hotButtonFace;      // a push button under the mouse
  COLORREF pressedButtonFace;  // a push button held down
  COLORREF border;             // frames of buttons, edit boxes and group boxes
  COLORREF disabledText;       // text of a disabled button or group box
};

struct Skin {
  SkinColours colours;
  int buttonFrameWidth;  // 1..kMaxButtonFrameWidth pixels
};

constexpr uint16_t kSkinFormatVersion = 1;
constexpr uint16_t kSkinColourCount = 8;
constexpr int kMaxButtonFrameWidth = 3;
// The whole file of version 1: mark, version, count, colours, frame width.
constexpr size_t kSkinFileSize = 4 + 2 + 2 + 4 * kSkinColourCount + 1;

// Checks the bytes of a skin file and fills `out` only when they are sound.
SkinResult ParseSkin(const uint8_t* data, size_t size, Skin* out);

// Reads and checks the skin file at `path` (code page 936).
SkinResult ReadSkinFile(const char* path, Skin* out);
