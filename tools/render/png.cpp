#include "png.h"

#include <png.h>
#include <unistd.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

const char *png_write(const char *path, const uint8_t *rgba, int w, int h, int channels) {
  std::string temp = std::string(path) + ".part" + std::to_string(getpid());
  FILE *file = std::fopen(temp.c_str(), "wb");
  if (!file) return "cannot create the output file";

  std::vector<uint8_t> rows(static_cast<size_t>(w) * h * channels);
  for (int y = 0; y < h; y++)
    for (int x = 0; x < w; x++)
      for (int c = 0; c < channels; c++)
        rows[(static_cast<size_t>(h - 1 - y) * w + x) * channels + c] =
            rgba[(static_cast<size_t>(y) * w + x) * 4 + c];

  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  volatile bool ok = png && info;
  if (ok && setjmp(png_jmpbuf(png)) == 0) {
    png_init_io(png, file);
    png_set_IHDR(png, info, w, h, 8, channels == 4 ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < h; y++) png_write_row(png, rows.data() + static_cast<size_t>(y) * w * channels);
    png_write_end(png, info);
  } else {
    ok = false;
  }
  png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr);
  if (std::fclose(file) != 0) ok = false;
  if (!ok || std::rename(temp.c_str(), path) != 0) {
    std::remove(temp.c_str());
    return "cannot write the output file";
  }
  return nullptr;
}
