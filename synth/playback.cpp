#include "playback.h"

#include "platform.h"
#include "storage.h"

const float tps = 34.133335f;

static int deviceopen;     // 1 while the audio output plays MusBuf
static double startclock;  // clock_seconds() when startsnd ran

long double postoticks(int32_t bytes) {
  return (static_cast<long double>(bytes) + offset) / tempo;
}

int32_t clockbytes(double seconds) {
  if (!(seconds > 0)) return 0;
  double frames = seconds * 44100.0;
  if (frames >= musframes) return musbytes;
  return 4 * static_cast<int32_t>(frames);
}

void startsnd() {
  startclock = clock_seconds();
  deviceopen = audio_play(MusBuf, musbytes);
}

long double getpos() {
  int32_t bytes;
  if (deviceopen) {
    int64_t played = audio_played();
    bytes = played < 0 ? 0 : played > musbytes ? musbytes : static_cast<int32_t>(played);
  } else {
    bytes = clockbytes(clock_seconds() - startclock);
  }
  return postoticks(bytes);
}

void stopsnd() {
  if (deviceopen) audio_stop();
  deviceopen = 0;
}
