#include "png.h"

#include <png.h>

#include <csetjmp>
#include <vector>

#include "output.h"

namespace {

void append(png_structp png, png_bytep data, png_size_t size) {
  auto *bytes = static_cast<std::vector<uint8_t> *>(png_get_io_ptr(png));
  bytes->insert(bytes->end(), data, data + size);
}

void flush(png_structp) {}

// Encodes the image into `bytes`; returns 0 when libpng fails.
int encode(std::vector<uint8_t> &bytes, const std::vector<uint8_t> &rows, int w, int h, int channels) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  volatile int ok = png && info;
  if (ok && setjmp(png_jmpbuf(png)) == 0) {
    png_set_write_fn(png, &bytes, append, flush);
    png_set_IHDR(png, info, w, h, 8, channels == 4 ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < h; y++)
      png_write_row(png, const_cast<png_bytep>(rows.data()) + static_cast<size_t>(y) * w * channels);
    png_write_end(png, info);
  } else {
    ok = 0;
  }
  png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr);
  return ok;
}

}  // namespace

const char *png_write(const char *path, const uint8_t *rgba, int w, int h, int channels) {
  // Rows top first, as the file stores them.
  std::vector<uint8_t> rows(static_cast<size_t>(w) * h * channels);
  for (int y = 0; y < h; y++)
    for (int x = 0; x < w; x++)
      for (int c = 0; c < channels; c++)
        rows[(static_cast<size_t>(h - 1 - y) * w + x) * channels + c] =
            rgba[(static_cast<size_t>(y) * w + x) * 4 + c];
  std::vector<uint8_t> bytes;
  if (!encode(bytes, rows, w, h, channels)) return "cannot encode the picture";
  OutputFile file;
  if (!output_claim(&file, path)) return "cannot create the output file";
  if (!output_write(&file, bytes.data(), bytes.size()) || !output_finish(&file)) return "cannot write the output file";
  return nullptr;
}
