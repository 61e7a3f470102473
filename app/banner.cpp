#include "app/banner.h"

#include <csetjmp>
#include <cstdio>

extern "C" {
#include <jpeglib.h>
}

#include "app/embedded.h"
#include "app/resource_ids.h"

namespace {

constexpr size_t kBlockSize = 4096;

// A data source that hands the stored bytes to the decoder block by block.
struct BlockSource {
  jpeg_source_mgr pub;
  const uint8_t* data;
  size_t size;
  size_t offset;
};

const JOCTET kFakeEoi[2] = {0xFF, JPEG_EOI};

void InitSource(j_decompress_ptr) {}

boolean FillInputBuffer(j_decompress_ptr cinfo) {
  auto* src = reinterpret_cast<BlockSource*>(cinfo->src);
  if (src->offset >= src->size) {
    // Past the end: a truncated picture is finished with an end marker, as the
    // library's own memory source does, so that decoding stops cleanly.
    src->pub.next_input_byte = kFakeEoi;
    src->pub.bytes_in_buffer = sizeof kFakeEoi;
    return TRUE;
  }
  size_t n = src->size - src->offset;
  if (n > kBlockSize) n = kBlockSize;
  src->pub.next_input_byte = src->data + src->offset;
  src->pub.bytes_in_buffer = n;
  src->offset += n;
  return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long count) {
  auto* src = reinterpret_cast<BlockSource*>(cinfo->src);
  while (count > 0) {
    if (static_cast<size_t>(count) <= src->pub.bytes_in_buffer) {
      src->pub.next_input_byte += count;
      src->pub.bytes_in_buffer -= static_cast<size_t>(count);
      return;
    }
    count -= static_cast<long>(src->pub.bytes_in_buffer);
    FillInputBuffer(cinfo);
  }
}

void TermSource(j_decompress_ptr) {}

struct JumpingErrorManager {
  jpeg_error_mgr pub;
  jmp_buf jump;
};

void ErrorExit(j_common_ptr cinfo) {
  longjmp(reinterpret_cast<JumpingErrorManager*>(cinfo->err)->jump, 1);
}

void SilentMessage(j_common_ptr) {}

// Decodes into `out` (already sized by the caller after the header); kept
// free of C++ objects with destructors because libjpeg errors longjmp out.
bool RunDecoder(jpeg_decompress_struct* cinfo, JumpingErrorManager* err, BlockSource* src,
                DecodedPicture* out) {
  if (setjmp(err->jump)) {
    jpeg_destroy_decompress(cinfo);
    return false;
  }
  jpeg_create_decompress(cinfo);
  cinfo->src = &src->pub;
  jpeg_read_header(cinfo, TRUE);
  cinfo->out_color_space = JCS_EXT_BGR;
  jpeg_start_decompress(cinfo);
  if (cinfo->output_components != 3) {
    jpeg_destroy_decompress(cinfo);
    return false;
  }
  out->width = static_cast<int>(cinfo->output_width);
  out->height = static_cast<int>(cinfo->output_height);
  out->stride = (out->width * 3 + 3) & ~3;
  out->bgr.resize(static_cast<size_t>(out->stride) * out->height);
  while (cinfo->output_scanline < cinfo->output_height) {
    JSAMPROW row = out->bgr.data() + static_cast<size_t>(cinfo->output_scanline) * out->stride;
    jpeg_read_scanlines(cinfo, &row, 1);
  }
  jpeg_finish_decompress(cinfo);
  jpeg_destroy_decompress(cinfo);
  return true;
}

}  // namespace

bool DecodeJpeg(const uint8_t* data, size_t size, DecodedPicture* out) {
  *out = DecodedPicture{};
  if (!data || size == 0) return false;
  jpeg_decompress_struct cinfo{};
  JumpingErrorManager err{};
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = ErrorExit;
  err.pub.output_message = SilentMessage;
  BlockSource src{};
  src.pub.init_source = InitSource;
  src.pub.fill_input_buffer = FillInputBuffer;
  src.pub.skip_input_data = SkipInputData;
  src.pub.resync_to_restart = jpeg_resync_to_restart;
  src.pub.term_source = TermSource;
  src.data = data;
  src.size = size;
  // The output buffer is allocated inside; a failed decode leaves it empty.
  bool ok = RunDecoder(&cinfo, &err, &src, out);
  if (!ok) *out = DecodedPicture{};
  return ok;
}

BannerPicture::~BannerPicture() = default;

bool BannerPicture::Load(HINSTANCE instance) {
  EmbeddedBlock block = FindEmbeddedBlock(instance, IDR_BANNER);
  return DecodeJpeg(block.data, block.size, &picture_);
}

void BannerPicture::Paint(HDC dc) const {
  if (picture_.bgr.empty()) return;
  BITMAPINFO bmi{};
  bmi.bmiHeader.biSize = sizeof bmi.bmiHeader;
  bmi.bmiHeader.biWidth = picture_.width;
  bmi.bmiHeader.biHeight = -picture_.height;  // top row first
  bmi.bmiHeader.biPlanes = 1;
  bmi.bmiHeader.biBitCount = 24;
  bmi.bmiHeader.biCompression = BI_RGB;
  SetDIBitsToDevice(dc, 0, 0, picture_.width, picture_.height, 0, 0, 0, picture_.height,
                    picture_.bgr.data(), &bmi, DIB_RGB_COLORS);
}
