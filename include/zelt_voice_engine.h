/*
 * zelt_voice_engine: speech codecs for narrow-band (8000 Hz) telephone audio.
 *
 * Four functions turn frames of 16-bit linear PCM into voice frames and back:
 * G.711 A-law and mu-law, IMA ADPCM in two layouts and G.726 at 16, 24, 32
 * and 40 kbit/s in two bit orders.
 *
 * A voice frame is a 4-byte header (two little-endian 16-bit words, control
 * and length) followed by `length` 16-bit payload words. Frames are byte
 * strings in little-endian order whatever the host's byte order; the frame
 * does not name its codec, so sender and receiver agree on the type first.
 *
 * The caller owns all memory: one ZT_VOICE_STATE per stream and direction,
 * the sample buffers and the frame buffers. The library allocates nothing,
 * keeps no global mutable data, does no I/O and takes no locks; calls on
 * different state blocks may run on any threads at once. A state block, and
 * the buffers passed with it, belong to one call at a time.
 *
 * Counts and codec types are `int`, of which only the low 16 bits count, read
 * as a signed number: 65537 (0x10001) is type 1 and 65616 (0x10050) is 80.
 */
#ifndef ZELT_VOICE_ENGINE_H
#define ZELT_VOICE_ENGINE_H

#include <stdint.h>

/* The version of these headers, from the generated header below:
 * ZT_VOICE_VERSION_MAJOR, ZT_VOICE_VERSION_MINOR, ZT_VOICE_VERSION_PATCH,
 * ZT_VOICE_VERSION_STRING ("major.minor.patch") and ZT_VOICE_VERSION
 * (10000 * major + 100 * minor + patch). A new major version comes with a new
 * SONAME. */
#include "zelt_voice_engine_version.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Symbols are exported only while the library itself is built. */
#if defined(ZT_VOICE_BUILDING_LIBRARY)
#define ZT_VOICE_API __attribute__((visibility("default")))
#else
#define ZT_VOICE_API
#endif

/* Result of every function: ZT_SUCCESS (0) or an error code with its top bit
 * set (negative when read as a signed 32-bit number). */
typedef uint32_t ZT_VOICE_RESULT;

/* ---- Result codes --------------------------------------------------------- */
#define ZT_SUCCESS ((ZT_VOICE_RESULT)0x00000000u)
/* The state block pointer is null (all four functions). */
#define ZT_ERR_VOICE_NULL_STATE ((ZT_VOICE_RESULT)0xA1222101u)
/* The samples to encode, or the frame to decode, are null. */
#define ZT_ERR_VOICE_NULL_INPUT ((ZT_VOICE_RESULT)0xA1222102u)
/* The encoder's frame buffer, or the decoder's sample buffer or count pointer, is null. */
#define ZT_ERR_VOICE_NULL_OUTPUT ((ZT_VOICE_RESULT)0xA1222103u)
/* Encoder side: the codec type is not one of the twelve, or the state block
 * does not suit it (see ZT_VOICE_EncodeFrame). */
#define ZT_ERR_VOICE_ENC_TYPE ((ZT_VOICE_RESULT)0xA1222001u)
/* The sample count, read as a signed 16-bit number, is outside 1..481. */
#define ZT_ERR_VOICE_ENC_LENGTH ((ZT_VOICE_RESULT)0xA1222002u)
/* Decoder side: the codec type is not one of the twelve, or the state block
 * does not suit it (see ZT_VOICE_DecodeFrame). */
#define ZT_ERR_VOICE_DEC_TYPE ((ZT_VOICE_RESULT)0xA1222011u)
/* The payload length is 0, too long for the type, or not a length the type's
 * decoder accepts (G.711, G.726: whole 80-sample blocks only). */
#define ZT_ERR_VOICE_DEC_LENGTH ((ZT_VOICE_RESULT)0xA1222012u)
/* The frame kind, bits 8-9 of the control word, is not 1. */
#define ZT_ERR_VOICE_DEC_HEADER ((ZT_VOICE_RESULT)0xA1222013u)

/* ---- Codec types ---------------------------------------------------------- */
/*   type  bits/sample  payload                                 length for n samples */
#define ZT_VOICE_G711A 1 /* 8  G.711 A-law, one byte per sample   n / 2 */
#define ZT_VOICE_G711U 2 /* 8  G.711 mu-law, one byte per sample  n / 2 */
#define ZT_VOICE_ADPCM 3 /* 4  IMA ADPCM, state + codes, high nibble first  n / 4 + 2 */
#define ZT_VOICE_ADPCM_LEAD \
  35 /* 4  IMA ADPCM, first sample + codes, low nibble first (n - 1) / 4 + 2 */
#define ZT_VOICE_G726_16K 4      /* 2  G.726 16 kbit/s, LSB-first   2n / 16 */
#define ZT_VOICE_G726_24K 5      /* 3  G.726 24 kbit/s, LSB-first   3n / 16 */
#define ZT_VOICE_G726_32K 6      /* 4  G.726 32 kbit/s, LSB-first   4n / 16 */
#define ZT_VOICE_G726_40K 7      /* 5  G.726 40 kbit/s, LSB-first   5n / 16 */
#define ZT_VOICE_G726_16K_MSB 36 /* 2  G.726 16 kbit/s, MSB-first */
#define ZT_VOICE_G726_24K_MSB 37 /* 3  G.726 24 kbit/s, MSB-first */
#define ZT_VOICE_G726_32K_MSB 38 /* 4  G.726 32 kbit/s, MSB-first */
#define ZT_VOICE_G726_40K_MSB 39 /* 5  G.726 40 kbit/s, MSB-first */

/* Types 35 to 39 are types 3 to 7 with this bit set: same coder and state,
 * another payload layout. 33 and 34 are not codec types. */
#define ZT_VOICE_VARIANT 0x20

/* Largest sample count of one encoder call (a type-35 frame carries 481). */
#define ZT_VOICE_MAX_SAMPLES 481
/* G.711 and G.726 frames decode only in whole blocks of this many samples (10 ms). */
#define ZT_VOICE_BLOCK_SAMPLES 80
/* A frame buffer of this many bytes holds the frame of any type and count. */
#define ZT_VOICE_MAX_FRAME_BYTES 484

/* ---- Frame header and state block ----------------------------------------- */

/* The 4-byte frame header; `length` payload words follow it directly. Both
 * words are little-endian in the frame bytes. The encoder writes control
 * 0x0100 (kind 1) and a length of at most 240; the decoder reads only bits 8-9
 * of control and only the low byte of length. */
typedef struct ZT_VOICE_FRAME_HDR {
  uint16_t control;
  uint16_t length;
} ZT_VOICE_FRAME_HDR;

/* One direction of one stream: 26 32-bit words whose fields are private to
 * the codecs. Reset it with ZT_VOICE_EncReset or ZT_VOICE_DecReset before the
 * first frame. G.711 never touches it; IMA ADPCM uses its first 3 bytes; G.726
 * uses all 26 words.
 *
 * A block that was never reset, was reset for another type or was damaged
 * still keeps every frame call within the block, the caller's buffers and the
 * library's own tables. G.726 refuses a block whose word 0 is not 2 or whose
 * word 1 is not the type's code width (2 to 5) with ZT_ERR_VOICE_ENC_TYPE or
 * ZT_ERR_VOICE_DEC_TYPE, writing nothing but the decoder's count of 0; with
 * those two words right, any other content codes, to samples or codes of no
 * particular value, until the next reset. IMA ADPCM reads a step index above
 * 88 as 88 (the encoder stores 88 before it codes); its decoder ignores the
 * block's content and only writes it. */
typedef struct ZT_VOICE_STATE {
  uint32_t opaque[26];
} ZT_VOICE_STATE;

/* ---- Functions ------------------------------------------------------------ */

/* Resets `state` for codec `type`, starting a stream over: the encoder and
 * decoder resets write the same start state, and a type and its variant (3 and
 * 35, 4 and 36, ...) reset a block alike. G.711 leaves the block untouched.
 * Returns ZT_SUCCESS, ZT_ERR_VOICE_NULL_STATE, or ZT_ERR_VOICE_ENC_TYPE with
 * the block untouched. */
ZT_VOICE_API ZT_VOICE_RESULT ZT_VOICE_EncReset(ZT_VOICE_STATE *state, int type);

/* As ZT_VOICE_EncReset, for a decoder's block; a bad type gives
 * ZT_ERR_VOICE_DEC_TYPE. */
ZT_VOICE_API ZT_VOICE_RESULT ZT_VOICE_DecReset(ZT_VOICE_STATE *state, int type);

/* Encodes `nsamples` (1..481) samples from `pcm_in` into one frame at
 * `frame_out`, advancing `state`, which must have been reset for `type`.
 *
 * Writes exactly 4 + 2 * length bytes (the length of the type's table above);
 * a buffer of ZT_VOICE_MAX_FRAME_BYTES (484) always suffices. No sample after
 * the n-th is read. Samples that do not fill a whole payload unit are not
 * carried. G.711 and G.726 drop the last sample of an odd count (G.726 does
 * not code it, so its state does not move over it); G.726 also codes but
 * drops the codes beyond its (n * bits) / 16 words, type 3 the last n mod 4
 * samples and type 35 the last (n - 1) mod 4. G.726 payloads are LSB-first
 * for types 4 to 7 and MSB-first for 36 to 39 at every count, with 0 in every
 * bit that holds no code. Counts that lose nothing: multiples of 80 for G.711
 * and G.726 (80k + 1 also keeps a G.726 decoder in step), multiples of 4 for
 * type 3, 4k + 1 for 35.
 *
 * Checks, in this order, before any work:
 *   ZT_ERR_VOICE_NULL_STATE, ZT_ERR_VOICE_NULL_INPUT (pcm_in),
 *   ZT_ERR_VOICE_NULL_OUTPUT (frame_out), ZT_ERR_VOICE_ENC_LENGTH (count),
 *   ZT_ERR_VOICE_ENC_TYPE (type; also a G.726 type whose block was not reset
 *   for that type's rate: never reset, or reset for another codec or rate).
 * On any error nothing is written. An ADPCM block whose step index is out of
 * range (never reset) has it set to the largest step first. */
ZT_VOICE_API ZT_VOICE_RESULT ZT_VOICE_EncodeFrame(ZT_VOICE_STATE *state, const int16_t *pcm_in,
                                                  void *frame_out, int nsamples, int type);

/* Decodes the frame at `frame_in` into `pcm_out` (room for 481 samples always
 * suffices) and stores the number of samples written in `*nsamples_out`.
 * The frame is never modified. G.711 and G.726 frames decode to 80 to 480
 * samples in steps of 80; ADPCM frames carry their own start state, so they
 * decode independently of earlier frames and of the block's content.
 *
 * Checks, in this order, before any work:
 *   ZT_ERR_VOICE_NULL_STATE, ZT_ERR_VOICE_NULL_INPUT (frame_in),
 *   ZT_ERR_VOICE_NULL_OUTPUT (pcm_out or nsamples_out);
 *   then *nsamples_out = 0, which every later failure leaves behind;
 *   ZT_ERR_VOICE_DEC_HEADER (frame kind not 1), ZT_ERR_VOICE_DEC_LENGTH (length
 *   byte 0), ZT_ERR_VOICE_DEC_TYPE (type), ZT_ERR_VOICE_DEC_LENGTH (a length the
 *   type refuses), ZT_ERR_VOICE_DEC_TYPE (a G.726 block not reset for the
 *   type's rate: never reset, or reset for another codec or rate).
 * On any error nothing but the count is written. Only the first
 * 4 + 2 * (length byte) bytes of the frame are read. */
ZT_VOICE_API ZT_VOICE_RESULT ZT_VOICE_DecodeFrame(ZT_VOICE_STATE *state, const void *frame_in,
                                                  int16_t *pcm_out, int type,
                                                  int16_t *nsamples_out);

#ifdef __cplusplus
}
#endif

#endif /* ZELT_VOICE_ENGINE_H */
