/* Round-trips a generated tone through every codec type and prints, per
 * type, the frame size and the signal-to-noise ratio of the decoded audio.
 * Uses only the public header, as a host program would. */
#include <math.h>
#include <stdio.h>
#include <string.h>

#include "zelt_voice_engine.h"

#define SECONDS 2
#define RATE 8000

struct codec {
  int type;
  const char *name;
  int frame_samples; /* a size that carries every sample */
};

static const struct codec kCodecs[] = {
    {ZT_VOICE_G711A, "G.711 A-law", 160},
    {ZT_VOICE_G711U, "G.711 mu-law", 160},
    {ZT_VOICE_ADPCM, "IMA ADPCM", 160},
    {ZT_VOICE_ADPCM_LEAD, "IMA ADPCM lead", 161},
    {ZT_VOICE_G726_16K, "G.726 16k", 160},
    {ZT_VOICE_G726_24K, "G.726 24k", 160},
    {ZT_VOICE_G726_32K, "G.726 32k", 160},
    {ZT_VOICE_G726_40K, "G.726 40k", 160},
    {ZT_VOICE_G726_16K_MSB, "G.726 16k MSB", 160},
    {ZT_VOICE_G726_24K_MSB, "G.726 24k MSB", 160},
    {ZT_VOICE_G726_32K_MSB, "G.726 32k MSB", 160},
    {ZT_VOICE_G726_40K_MSB, "G.726 40k MSB", 160},
};

static int16_t input[SECONDS * RATE];
static int16_t output[SECONDS * RATE];

static void make_tone(void) {
  const double pi = 3.14159265358979323846;
  int i;
  for (i = 0; i < SECONDS * RATE; ++i) {
    /* A 440 Hz tone with a slower 3 Hz swell, like a sustained vowel. */
    const double t = (double)i / RATE;
    const double level = 6000.0 + 4000.0 * sin(2.0 * pi * 3.0 * t);
    input[i] = (int16_t)(level * sin(2.0 * pi * 440.0 * t));
  }
}

/* Encodes and decodes the whole tone; returns the frame size in bytes, or -1. */
static int round_trip(const struct codec *c, int *decoded) {
  ZT_VOICE_STATE enc, dec;
  unsigned char frame[ZT_VOICE_MAX_FRAME_BYTES];
  int pos = 0, frame_bytes = 0;
  *decoded = 0;
  if (ZT_VOICE_EncReset(&enc, c->type) != ZT_SUCCESS) return -1;
  if (ZT_VOICE_DecReset(&dec, c->type) != ZT_SUCCESS) return -1;
  while (pos + c->frame_samples <= SECONDS * RATE) {
    int16_t count = 0;
    if (ZT_VOICE_EncodeFrame(&enc, input + pos, frame, c->frame_samples, c->type) != ZT_SUCCESS)
      return -1;
    frame_bytes = 4 + 2 * frame[2];
    if (ZT_VOICE_DecodeFrame(&dec, frame, output + pos, c->type, &count) != ZT_SUCCESS) return -1;
    pos += count;
    *decoded = pos;
  }
  return frame_bytes;
}

static double snr_db(int n) {
  double signal = 0.0, noise = 0.0;
  int i;
  for (i = 0; i < n; ++i) {
    const double d = (double)input[i] - (double)output[i];
    signal += (double)input[i] * input[i];
    noise += d * d;
  }
  return noise > 0.0 ? 10.0 * log10(signal / noise) : INFINITY;
}

int main(void) {
  size_t k;
  int failures = 0;
  make_tone();
  printf("%-5s %-16s %12s %9s\n", "type", "codec", "frame bytes", "SNR dB");
  for (k = 0; k < sizeof kCodecs / sizeof kCodecs[0]; ++k) {
    int decoded = 0;
    const int bytes = round_trip(&kCodecs[k], &decoded);
    if (bytes < 0) {
      printf("%-5d %-16s %12s %9s\n", kCodecs[k].type, kCodecs[k].name, "-", "failed");
      ++failures;
      continue;
    }
    printf("%-5d %-16s %12d %9.2f\n", kCodecs[k].type, kCodecs[k].name, bytes, snr_db(decoded));
  }
  return failures == 0 ? 0 : 1;
}
