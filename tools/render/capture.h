// capture.h - the show as a video or as a PNG sequence, frame for frame as a
// viewer would see it, whatever each frame costs to render.
//
//   intro-render video --out F.mkv [--from S] [--to S] [--fps N] [--codec ffv1|h264] [--force]
//   intro-render frames --out DIR [--from S] [--to S] [--fps N]
//
// The range is in seconds of playback. Frame k is shown at k/N seconds and
// gets the music time the show's clock gives after 4 * floor(44100 k / N)
// bytes played. `video` pipes the frames to ffmpeg together with the
// matching stretch of the song; the file appears under its name only when
// complete.
#pragma once
#include <cstdint>

// The frames of a capture: indexes first .. first + count - 1 at `fps`.
struct CaptureRange {
  int32_t first, count, fps;
};

// Checks the range [from, to) seconds at fps frames per second against the
// song's length. Returns null and fills `range`, or a message.
const char *capture_range(double from, double to, int fps, CaptureRange *range);
// Music time of frame k at fps frames per second of playback.
float capture_time(int32_t k, int32_t fps);
// The song's stereo frames that play during frames [k0, k1).
int32_t capture_audio_start(int32_t k0, int32_t fps);

int command_video(int argc, char **argv);
int command_frames(int argc, char **argv);
