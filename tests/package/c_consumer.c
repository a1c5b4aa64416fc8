/* A C99 host built outside the source tree through pkg-config against an
 * installed zelt_voice_engine: checks the header's version against the one
 * given on the command line and round-trips a sawtooth through every codec type. */
#include <stdio.h>
#include <string.h>

#include "zelt_voice_engine.h"

static const int kTypes[] = {ZT_VOICE_G711A,        ZT_VOICE_G711U,        ZT_VOICE_ADPCM,
                             ZT_VOICE_ADPCM_LEAD,   ZT_VOICE_G726_16K,     ZT_VOICE_G726_24K,
                             ZT_VOICE_G726_32K,     ZT_VOICE_G726_40K,     ZT_VOICE_G726_16K_MSB,
                             ZT_VOICE_G726_24K_MSB, ZT_VOICE_G726_32K_MSB, ZT_VOICE_G726_40K_MSB};

int main(int argc, char **argv) {
  int16_t pcm[161];
  int16_t out[ZT_VOICE_MAX_SAMPLES];
  unsigned char frame[ZT_VOICE_MAX_FRAME_BYTES];
  size_t i;
  int failures = 0;

  if (argc != 2 || strcmp(argv[1], ZT_VOICE_VERSION_STRING) != 0) {
    fprintf(stderr, "header version %s, expected %s\n", ZT_VOICE_VERSION_STRING,
            argc == 2 ? argv[1] : "(none given)");
    return 1;
  }
  for (i = 0; i < 161; ++i) pcm[i] = (int16_t)((int)(i % 40) * 400 - 8000); /* a sawtooth */

  for (i = 0; i < sizeof kTypes / sizeof kTypes[0]; ++i) {
    const int type = kTypes[i];
    /* A count that every sample survives: 4k + 1 for type 35, else 160. */
    const int n = type == ZT_VOICE_ADPCM_LEAD ? 161 : 160;
    ZT_VOICE_STATE enc;
    ZT_VOICE_STATE dec;
    int16_t count = -1;
    ZT_VOICE_RESULT r = ZT_VOICE_EncReset(&enc, type);
    if (r == ZT_SUCCESS) r = ZT_VOICE_DecReset(&dec, type);
    if (r == ZT_SUCCESS) r = ZT_VOICE_EncodeFrame(&enc, pcm, frame, n, type);
    if (r == ZT_SUCCESS) r = ZT_VOICE_DecodeFrame(&dec, frame, out, type, &count);
    if (r != ZT_SUCCESS || count != n) {
      fprintf(stderr, "type %d: result 0x%08lX, %d of %d samples\n", type, (unsigned long)r, count,
              n);
      ++failures;
    }
  }
  if (failures == 0)
    printf("C consumer: zelt_voice_engine %s, 12 types\n", ZT_VOICE_VERSION_STRING);
  return failures == 0 ? 0 : 1;
}
