// playback.h - plays MusBuf once and turns the playback position into the
// music clock.
//
//   startsnd();                  // after synth(): queue the whole buffer
//   long double ticks = getpos(); // every frame: position in ticks
//   stopsnd();                   // at exit
//
// One tick is 1291 stereo frames (5164 bytes). The clock runs `offset` bytes
// ahead of the device. When no audio output can be opened the clock counts
// bytes at 176,400 per second from the moment startsnd ran, so the show runs
// silently instead of standing still.
#pragma once
#include <cstdint>

// Bytes added to the played position: 2048 frames.
constexpr int32_t offset = 8192;
// Bytes per tick: 1291 frames of 4 bytes.
constexpr int32_t tempo = 5164;
// Ticks per music second, the float nearest to 2048/60 (bits 0x42088889).
extern const float tps;

void startsnd();
long double getpos();
void stopsnd();

// The clock arithmetic: ticks for a played byte count.
long double postoticks(int32_t bytes);
// Played bytes that the fallback clock gives after `seconds` of playback:
// whole frames at 44,100 per second, clamped to the played part of MusBuf.
int32_t clockbytes(double seconds);
