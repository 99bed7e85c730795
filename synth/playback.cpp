#include "playback.h"

#include "platform.h"
#include "storage.h"

static int deviceopen;     // 1 while the audio output plays MusBuf
static double startclock;  // clock_seconds() when startsnd ran

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
