// The banner picture of 图片框1: a JPEG stored in the program, decoded at
// window creation into a 24-bit bitmap and painted at its natural size.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <vector>

// A decoded picture: rows of 24-bit colour, top row first, each pixel in
// blue, green, red order and each row padded to four bytes, as a Windows DIB
// wants them.
struct DecodedPicture {
  int width = 0;
  int height = 0;
  int stride = 0;  // bytes from one row to the next
  std::vector<uint8_t> bgr;
};

// Decodes JPEG bytes with libjpeg, feeding the decoder 4096 bytes at a time.
// False for data that is not a decodable JPEG.
bool DecodeJpeg(const uint8_t* data, size_t size, DecodedPicture* out);

class BannerPicture {
 public:
  BannerPicture() = default;
  ~BannerPicture();
  BannerPicture(const BannerPicture&) = delete;
  BannerPicture& operator=(const BannerPicture&) = delete;

  bool Load(HINSTANCE instance);
  // Draws the picture with its top-left corner at (0, 0) of `dc`; the window
  // clips what lies outside.
  void Paint(HDC dc) const;
  int width() const { return picture_.width; }
  int height() const { return picture_.height; }

 private:
  DecodedPicture picture_;
};
