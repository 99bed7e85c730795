// The music clock: bytes played to ticks and music seconds, the stop at the
// end of the song, and the clock that runs when there is no audio output.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "frame.h"
#include "platform.h"
#include "playback.h"
#include "storage.h"

// A scripted audio output and monotonic clock.
static int deviceWorks = 1;
static int64_t devicePlayed;
static double now;

int audio_play(const void *data, uint32_t bytes) {
  EXPECT_EQ(data, MusBuf);
  EXPECT_EQ(bytes, 30670848u);
  return deviceWorks;
}
int64_t audio_played() { return devicePlayed; }
void audio_stop() {}
double clock_seconds() { return now; }

namespace {

class Clock : public ::testing::Test {
 protected:
  void start(int works) {
    deviceWorks = works;
    devicePlayed = 0;
    now = 1000;
    startsnd();
  }
  void TearDown() override { stopsnd(); }
};

TEST_F(Clock, PositionsGiveTicksAndMusicSeconds) {
  struct Case {
    int64_t bytes;
    double ticks, seconds;
  } cases[] = {
      {0, 1.5864, 0.0464756},
      {516400, 101.5864, 2.97616},
      {30670848, 5940.945, 174.0511},
  };
  start(1);
  for (const Case &c : cases) {
    SCOPED_TRACE(c.bytes);
    devicePlayed = c.bytes;
    long double ticks = getpos();
    EXPECT_EQ(ticks, (static_cast<long double>(c.bytes) + 8192) / 5164);
    EXPECT_NEAR(static_cast<double>(ticks), c.ticks, 5e-4);
    EXPECT_NEAR(music_time(ticks), c.seconds, 5e-6);
  }
  EXPECT_EQ(tps, 34.133335f);
  uint32_t bits;
  std::memcpy(&bits, &tps, 4);
  EXPECT_EQ(bits, 0x42088889u);
}

TEST_F(Clock, EveryTickIs5164BytesExactly) {
  for (int32_t tick = 2; tick < 5940; tick += 97) {
    int32_t bytes = tick * 5164 - 8192;
    EXPECT_EQ(postoticks(bytes), tick);
    EXPECT_LT(postoticks(bytes - 4), tick);
    EXPECT_EQ(postoticks(bytes + 5164), tick + 1);
  }
}

TEST_F(Clock, StopsAtTheEndOfTheSongAndNeverGoesBelowTheStart) {
  start(1);
  devicePlayed = 30670848;
  long double end = getpos();
  devicePlayed = 30670848 + 176400 * 10;
  EXPECT_EQ(getpos(), end);
  devicePlayed = -4096;
  EXPECT_EQ(getpos(), postoticks(0));
}

TEST_F(Clock, WithoutAnOutputTheClockCountsRealTime) {
  start(0);
  devicePlayed = 999999;  // not asked: no output is open
  EXPECT_EQ(getpos(), postoticks(0));
  now = 1001;
  EXPECT_EQ(getpos(), postoticks(176400));
  now = 1000.5;
  EXPECT_EQ(getpos(), postoticks(88200));
  now = 1000 + 173.75;
  EXPECT_EQ(getpos(), postoticks(4 * static_cast<int32_t>(173.75 * 44100)));
  now = 1000 + 600;
  EXPECT_EQ(getpos(), postoticks(30670848));
  now = 999;  // a clock that went back gives the start, not a negative position
  EXPECT_EQ(getpos(), postoticks(0));
}

}  // namespace
