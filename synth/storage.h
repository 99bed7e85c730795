// storage.h - the synthesizer's static storage areas.
//
// Every area exists once for the process, starts zero and on a 16-byte
// boundary, and is never freed. MusBuf is the finished 16-bit stereo PCM
// that playback hands to the audio device.
#pragma once
#include <cstdint>

// Played part of MusBuf: 7,667,712 stereo frames of two 16-bit samples.
constexpr int32_t musframes = 7667712;
constexpr int32_t mussamples = 2 * musframes;
constexpr int32_t musbytes = 4 * musframes;

// Capacity of MusBuf: 9,201,664 frames (36,806,656 bytes); the rest stays zero.
constexpr int32_t muscapacity = 9201664;

alignas(16) extern int16_t MusBuf[2 * muscapacity];

// The render's working areas. A "double frame" is two doubles, left then
// right, so frame n of sampbuf, mixbuf or revbuf is values 2n and 2n + 1.

// Random table: 315,392 words of room; fillrand fills the first 262,144.
constexpr int32_t randwords = 315392;
constexpr int32_t randfilled = 262144;

// Partial bank of the tone being built: room for 12,032 partials.
constexpr int32_t freqcap = 12032;

// Tone tables of the current instrument: 2,123,520 frames.
constexpr int32_t sampframes = 2123520;

// Dry mix and reverb output: 9,201,408 frames each (208.6 s).
constexpr int32_t mixframes = 9201408;

// Reverb delay memory: 31,232 doubles, of which the longest comb uses 3,328.
constexpr int32_t delcap = 31232;

// One oscillator of the tone being built, three aligned pairs:
//   rot  - per-sample complex multiplier (rho cos w, rho sin w)
//   osc  - the oscillator's current complex value
//   ramp - the two envelope ramps, each stepped by its own constant
struct alignas(16) partial {
    double rot[2];
    double osc[2];
    double ramp[2];
};
static_assert(sizeof(partial) == 48);

alignas(16) extern uint32_t randdata[randwords];
alignas(16) extern partial freqarr[freqcap];
alignas(16) extern double sampbuf[2 * sampframes];
alignas(16) extern double mixbuf[2 * mixframes];
alignas(16) extern double revbuf[2 * mixframes];
alignas(16) extern double delbuf[delcap];

// State of the random generator, four words s0..s3; holds the fixed seed at
// start and is updated in place by fillrand.
alignas(16) extern uint32_t guid[4];
