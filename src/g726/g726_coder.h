// The G.726 per-sample step on a channel state loaded into a local struct:
// the ITU-T G.726 coder loop, whose encoder holds a complete decoder and
// quantizes the difference between the input and that decoder's prediction.
//
// The step is a template on the code width so that each width's tables and
// search are fixed at compile time, and inline so that the frame loops of
// the packing compile it into their bodies.
#pragma once

#include <algorithm>
#include <cstdint>
#include <type_traits>

#include "g726/g726_channel.h"
#include "g726/g726_predictor.h"
#include "g726/g726_quantizer.h"

namespace zt {

// LIMO: sr limited to the 14-bit range and scaled to 16-bit PCM, a multiple
// of 4 in -32768..32764.
constexpr int32_t LIMO(int32_t sr) noexcept {
  return std::clamp(sr, int32_t{-8192}, int32_t{8191}) * 4;
}

// One sample. kEncode: value is a 16-bit sample (its low 16 bits, signed)
// and the result its code word. Otherwise value is a code word (only its low
// kBits bits count) and the result the decoded sample. The blocks run in the
// order of the Recommendation: y, the estimate, the code word, dq, TRANS,
// the predictor update with TONE and TRIGB, the speed control, the scale
// factor. Everything after the code word depends only on it and the state,
// which keeps encoder and decoder states equal.
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
