// The G.726 per-sample step: the ITU-T G.726 coder loop, whose encoder holds
// a complete decoder and quantizes the difference between the input and that
// decoder's prediction.
//
// The step comes twice. G726_CodeSample on a G726Channel is the blocks of
// g726_predictor.h and g726_quantizer.h called in order on the block's own
// words; it codes single samples, and the first samples of a frame whose
// block holds history values the lanes cannot (g726_lanes.h). On G726Lanes
// it is the same step with the predictor in vector registers, and cheaper
// forms of some blocks that give the same values; the frame loops run it.
// Both are templates on the code width so that each width's tables and
// search are fixed at compile time, and inline so that the frame loops of
// the packing compile them into their bodies.
#pragma once

#include <algorithm>
#include <cstdint>
#include <type_traits>

#include "g726/g726_channel.h"
#include "g726/g726_lanes.h"
#include "g726/g726_predictor.h"
#include "g726/g726_quantizer.h"

namespace zt {

// LIMO: sr limited to the 14-bit range and scaled to 16-bit PCM, a multiple
// of 4 in -32768..32764.
constexpr int32_t LIMO(int32_t sr) noexcept {
  if (static_cast<uint32_t>(sr + 8192) > 16383u) [[unlikely]]
    sr = sr < 0 ? -8192 : 8191;
  return sr * 4;
}

// One sample on the block's words. kEncode: value is a 16-bit sample (its
// low 16 bits, signed) and the result its code word. Otherwise value is a
// code word (only its low kBits bits count) and the result the decoded
// sample. The blocks run in the order of the Recommendation: y, the
// estimate, the code word, dq, TRANS, the predictor update with TONE and
// TRIGB, the speed control, the scale factor. Everything after the code word
// depends only on it and the state, which keeps encoder and decoder states
// equal.
template <int kBits, bool kEncode>
inline int32_t G726_CodeSample(G726Channel &s, int32_t value) noexcept {
  // LIMA, MIX: one y (9 fractional bits) serves QUAN, ADDA, SUBTC and FILTD.
  const int32_t y = MIX(LIMA(s.ap), s.yu, s.yl);
  const G726Estimate est = ACCUM(s);

  int32_t I;
  if constexpr (kEncode) {
    const int32_t sl = static_cast<int16_t>(value) >> 2;  // 14-bit linear input
    const int32_t d = sl - est.se;                        // SUBTA
    const G726Log log = LOG(d);
    I = QUAN<kBits>(SUBTB(log.dl, y), log.ds);
  } else {
    I = value & kG726CodeMask<kBits>;
  }

  // RECONST, ADDA, ANTILOG.
  const int32_t mag = G726_MagnitudeIndex<kBits>(I);
  const int32_t dqs = I >> (kBits - 1);
  const int32_t dq = ANTILOG(ADDA(RECONST<kBits>(mag), y), dqs);
  const int32_t dqmag = dq & 32767;

  // TRANS sees td and yl as the previous sample left them.
  const int32_t tr = TRANS(s.td, s.yl, dqmag);

  const int32_t dq_signed = G726_SignedDq(dq);
  const G726Addc addc = ADDC(dq_signed, est.sez);
  const int32_t sr = ADDB(dq_signed, est.se);
  s.sr2 = s.sr1;
  s.sr1 = FLOATB(sr);
  const int32_t dq0 = FLOATA(dq);

  int32_t tdp = 0;
  if (tr != 0) {
    // TRIGB: a transition restarts the predictor from zero coefficients.
    s.a1 = 0;
    s.a2 = 0;
    s.b.fill(0);
  } else {
    for (int i = 0; i < 6; ++i) s.b[i] = UPB<G726Rate<kBits>::kLeak>(s.b[i], s.dq[i], dqmag, dqs);
    const int32_t a2p = LIMC(UPA2(s.a1, s.a2, addc.pk0, s.pk1, s.pk2, addc.sigpk));
    s.a1 = LIMD(UPA1(s.a1, addc.pk0, s.pk1, addc.sigpk), a2p);
    s.a2 = a2p;
    tdp = TONE(a2p);
  }

  // DELAY.
  s.pk2 = s.pk1;
  s.pk1 = addc.pk0;
  for (int i = 5; i > 0; --i) s.dq[i] = s.dq[i - 1];
  s.dq[0] = dq0;
  s.td = TRIGB(tr, tdp);

  // FUNCTF, FILTA, FILTB, SUBTC, FILTC, TRIGA: the means run on every sample.
  const int32_t fi = FUNCTF<kBits>(mag);
  s.dms = FILTA(fi, s.dms);
  s.dml = FILTB(fi, s.dml);
  s.ap = TRIGA(tr, FILTC(SUBTC(s.dms, s.dml, tdp, y), s.ap));

  // FUNCTW, FILTD, LIMB, FILTE.
  const int32_t yup = LIMB(FILTD(FUNCTW<kBits>(mag), y));
  s.yl = FILTE(yup, s.yl);
  s.yu = yup;

  if constexpr (kEncode) {
    return I;
  } else {
    return LIMO(sr);
  }
}

// The same step on the lanes (g726_lanes.h): ACCUM, UPB, DELAY and the
// speed control's means on vector registers, QUAN and TRANS's threshold from
// tables, the code word's table values from one row, and the sign choices
// as masks.
// Always inlined: as a call, the lanes would pass through memory and every
// vector constant be reloaded on each sample.
template <int kBits, bool kEncode>
[[gnu::always_inline]] inline int32_t G726_CodeSample(G726Lanes &lanes, int32_t value) noexcept {
  G726Channel &s = lanes.words;
  // LIMA, MIX: one y (9 fractional bits) serves QUAN, ADDA, SUBTC and FILTD.
  const int32_t y = MIX(LIMA(s.ap), s.yu, s.yl);
  const G726LanesEstimate est = ACCUM8(lanes);

  int32_t I;
  if constexpr (kEncode) {
    const int32_t sl = static_cast<int16_t>(value) >> 2;  // 14-bit linear input
    const int32_t d = sl - est.se;                        // SUBTA
    if constexpr (kBits == 2) {
      const G726Log log = LOG(d);
      I = QUAN<kBits>(SUBTB(log.dl, y), log.ds);  // one decision level
    } else {
      I = G726_QuantizeByTable<kBits>(d, y);
    }
  } else {
    I = value & kG726CodeMask<kBits>;
  }
  const G726CodeRow &code = kG726CodeRows<kBits>[static_cast<std::size_t>(I)];

  // RECONST, ADDA, ANTILOG. In the encoder dq is on the sample-to-sample
  // dependency chain (through the estimate), where the float form's
  // conversions cost more time than the integer shifts; the decoder's dq
  // depends on the code word alone, and there the float form's fewer
  // instructions count.
  const int32_t dql = ADDA(code.dqln, y);
  const int32_t dqmag = kEncode ? ANTILOG(dql, 0) : G726_AntilogMagnitude(dql);

  // TRANS sees td and yl as the previous sample left them.
  const int32_t tr = TRANS(s.td, s.yl, dqmag);

  const int32_t dq_signed = (dqmag ^ code.sign_mask) - code.sign_mask;
  const G726Addc addc = ADDC(dq_signed, est.sez);
  const int32_t sr = ADDB(dq_signed, est.se);

  // UPB, UPA2, LIMC, UPA1, LIMD, then TRIGB: a transition (rare) restarts
  // the predictor from zero coefficients, whose a2 of 0 is no tone.
  UPB6<G726Rate<kBits>::kLeak>(lanes, est, dqmag == 0 ? 0 : code.gain);
  const int32_t a2p = LIMC(UPA2(s.a1, s.a2, addc.pk0, s.pk1, s.pk2, addc.sigpk));
  s.a1 = LIMD(UPA1(s.a1, addc.pk0, s.pk1, addc.sigpk), a2p);
  s.a2 = a2p;
  if (tr != 0) [[unlikely]] {
    s.a1 = 0;
    s.a2 = 0;
    lanes.b1to4 = _mm_setzero_si128();
    lanes.b56a12 = _mm_setzero_si128();
  }
  const int32_t tdp = TONE(s.a2);
  G726_PutPoles(lanes);

  // DELAY, with FLOATA and FLOATB as history words; FLOATB limits |sr| to
  // 32767, which only extreme inputs or code sequences reach.
  s.pk2 = s.pk1;
  s.pk1 = addc.pk0;
  int32_t sr_limited = sr;
  if (static_cast<uint32_t>(sr + 32767) > 2u * 32767) [[unlikely]] {
    sr_limited = sr < 0 ? -32767 : 32767;
  }
  DELAY8(lanes, G726_HistoryWord(dqmag) | code.dq_sign, G726_HistoryWord(sr_limited));
  s.td = TRIGB(tr, tdp);

  // FUNCTF, FILTA, FILTB, SUBTC, FILTC, TRIGA: the means run on every
  // sample. SUBTC's ax is tdp when y >= 1536 and the means agree, else 1.
  const int32_t agree = (G726_MeansAgree(lanes, code.fi_pair) ? 1 : 0) & (y >= 1536 ? 1 : 0);
  s.ap = TRIGA(tr, FILTC(1 - (agree & (tdp ^ 1)), s.ap));

  // FUNCTW, FILTD, LIMB, FILTE.
  const int32_t yup = LIMB(FILTD(code.wi, y));
  s.yl = FILTE(yup, s.yl);
  s.yu = yup;

  if constexpr (kEncode) {
    return I;
  } else {
    return LIMO(sr);
  }
}

// Calls f(std::integral_constant<int, b>{}) for a code width b of 2..5 and
// returns true; returns false for any other b without calling f.
template <typename F>
inline bool G726_WithWidth(int b, F &&f) noexcept {
  switch (b) {
    case 2:
      f(std::integral_constant<int, 2>{});
      return true;
    case 3:
      f(std::integral_constant<int, 3>{});
      return true;
    case 4:
      f(std::integral_constant<int, 4>{});
      return true;
    case 5:
      f(std::integral_constant<int, 5>{});
      return true;
    default:
      return false;
  }
}

}  // namespace zt
