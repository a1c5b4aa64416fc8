/* Compiles the public header as C99 and makes one G.711 round trip through it. */
#include <stdio.h>
#include <string.h>

#include "zelt_voice_engine.h"

int main(void) {
  ZT_VOICE_STATE enc;
  ZT_VOICE_STATE dec;
  int16_t pcm[ZT_VOICE_BLOCK_SAMPLES];
  int16_t out[ZT_VOICE_MAX_SAMPLES];
  unsigned char frame[ZT_VOICE_MAX_FRAME_BYTES];
  ZT_VOICE_FRAME_HDR hdr;
  int16_t count = -1;
  int i;

  for (i = 0; i < ZT_VOICE_BLOCK_SAMPLES; ++i) pcm[i] = (int16_t)(i * 100 - 4000);
  if (ZT_VOICE_EncReset(&enc, ZT_VOICE_G711A) != ZT_SUCCESS) return 1;
  if (ZT_VOICE_DecReset(&dec, ZT_VOICE_G711A) != ZT_SUCCESS) return 1;
  if (ZT_VOICE_EncodeFrame(&enc, pcm, frame, ZT_VOICE_BLOCK_SAMPLES, ZT_VOICE_G711A) !=
      ZT_SUCCESS) {
    return 1;
  }
  memcpy(&hdr, frame, sizeof hdr);
  if (frame[0] != 0x00 || frame[1] != 0x01 || frame[2] != 40 || frame[3] != 0) return 1;
  if (ZT_VOICE_DecodeFrame(&dec, frame, out, ZT_VOICE_G711A, &count) != ZT_SUCCESS) return 1;
  if (count != ZT_VOICE_BLOCK_SAMPLES) return 1;
  if ((int32_t)ZT_ERR_VOICE_NULL_STATE >= 0) return 1; /* errors read as negative */
  if (ZT_VOICE_EncReset(NULL, ZT_VOICE_G711A) != ZT_ERR_VOICE_NULL_STATE) return 1;
  printf("C99 round trip: %d samples, frame of %u words\n", count, (unsigned)(hdr.length & 0xFF));
  return 0;
}
