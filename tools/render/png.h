// png.h - writes frames as PNG files, never leaving a half-written file.
#pragma once
#include <cstdint>

// Writes a w x h image given bottom row first as RGBA8, either with its
// alpha (channels 4) or without (channels 3). The file is written beside
// `path` under a temporary name and renamed when complete. Returns null on
// success, otherwise a message naming what failed.
const char *png_write(const char *path, const uint8_t *rgba, int w, int h, int channels);
