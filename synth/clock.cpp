// The clock arithmetic, apart from the audio output so that programs which
// only need the arithmetic (the renderer's capture) link no output.
#include "playback.h"
#include "storage.h"

const float tps = 34.133335f;

long double postoticks(int32_t bytes) {
  return (static_cast<long double>(bytes) + offset) / tempo;
}

int32_t clockbytes(double seconds) {
  if (!(seconds > 0)) return 0;
  double frames = seconds * 44100.0;
  if (frames >= musframes) return musbytes;
  return 4 * static_cast<int32_t>(frames);
}
