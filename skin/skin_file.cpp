#include "skin/skin_file.h"

#include <cstring>

#include "common/scoped.h"

namespace {

const uint8_t kSkinMark[4] = {'.', 'S', 'H', 'E'};

// Takes the fields of the file one after the other; a field that runs past
// the end is "cut short", never read.
class FieldReader {
 public:
  FieldReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  bool TakeU8(uint8_t* out) {
    if (size_ - pos_ < 1) return false;
    *out = data_[pos_++];
    return true;
  }
  bool TakeU16(uint16_t* out) {
    if (size_ - pos_ < 2) return false;
    *out = static_cast<uint16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
    pos_ += 2;
    return true;
  }
  bool TakeU32(uint32_t* out) {
    if (size_ - pos_ < 4) return false;
    *out = static_cast<uint32_t>(data_[pos_]) | (static_cast<uint32_t>(data_[pos_ + 1]) << 8) |
           (static_cast<uint32_t>(data_[pos_ + 2]) << 16) |
           (static_cast<uint32_t>(data_[pos_ + 3]) << 24);
    pos_ += 4;
    return true;
  }
  size_t left() const { return size_ - pos_; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

// The mark is compared byte by byte, so a file that ends inside a sound
// mark is "cut short" and one with a wrong byte is "wrong mark".
SkinResult CheckMark(const uint8_t* data, size_t size) {
  const size_t n = size < sizeof kSkinMark ? size : sizeof kSkinMark;
  if (n == 0) return kSkinCutShort;
  if (std::memcmp(data, kSkinMark, n) != 0) return kSkinWrongMark;
  return n < sizeof kSkinMark ? kSkinCutShort : kSkinAttached;
}

bool IsMissingFileError(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
      return true;
    default:
      return false;
  }
}

}  // namespace

SkinResult ParseSkin(const uint8_t* data, size_t size, Skin* out) {
  if (!data) size = 0;
  SkinResult mark = CheckMark(data, size);
  if (mark != kSkinAttached) return mark;
  FieldReader reader(data + sizeof kSkinMark, size - sizeof kSkinMark);

  uint16_t version = 0;
  if (!reader.TakeU16(&version)) return kSkinCutShort;
  if (version != kSkinFormatVersion) return kSkinUnknownVersion;

  uint16_t count = 0;
  if (!reader.TakeU16(&count)) return kSkinCutShort;
  if (count != kSkinColourCount) return kSkinBadValue;

  COLORREF colours[kSkinColourCount];
  for (COLORREF& c : colours) {
    uint32_t value = 0;
    if (!reader.TakeU32(&value)) return kSkinCutShort;
    // The top byte of a COLORREF selects palette modes; a skin colour is a
    // plain RGB value.
    if (value & 0xFF000000u) return kSkinBadValue;
    c = value;
  }

  uint8_t frame = 0;
  if (!reader.TakeU8(&frame)) return kSkinCutShort;
  if (frame < 1 || frame > kMaxButtonFrameWidth) return kSkinBadValue;
  if (reader.left() != 0) return kSkinBadValue;

  Skin skin;
  skin.colours = {colours[0], colours[1], colours[2], colours[3],
                  colours[4], colours[5], colours[6], colours[7]};
  skin.buttonFrameWidth = frame;
  *out = skin;
  return kSkinAttached;
}

SkinResult ReadSkinFile(const char* path, Skin* out) {
  if (!path || !*path) return kSkinMissing;
  ScopedHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) {
    // A folder at the path exists but cannot be read as a file.
    return IsMissingFileError(GetLastError()) ? kSkinMissing : kSkinUnreadable;
  }
  // One byte more than a sound file holds tells a long file from an exact one
  // without reading a large file whole.
  uint8_t buffer[kSkinFileSize + 1];
  size_t size = 0;
  while (size < sizeof buffer) {
    DWORD got = 0;
    if (!ReadFile(file.get(), buffer + size, static_cast<DWORD>(sizeof buffer - size), &got,
                  nullptr)) {
      return kSkinUnreadable;
    }
    if (got == 0) break;
    size += got;
  }
  return ParseSkin(buffer, size, out);
}
