// The kernels for AVX2 with FMA. This file is built with those instruction
// sets enabled; everything in it stays internal.

#include <immintrin.h>

#include <cmath>
#include <cstdint>
#include <cstring>

#include "analyser/fast/coarse_bounds.h"
#include "analyser/fast/kernels.h"

namespace analyser {
namespace {

// ---- coarse sums

// Frame value pair p (values 2p and 2p + 1) in every 32-bit lane.
inline __m256i pairEverywhere(const std::int16_t* frame, int p) {
  return _mm256_broadcastd_epi32(_mm_loadu_si32(frame + 2 * p));
}

// Half a row group (eight rows, one 256-bit half of each pair's vector)
// against four frames over all columns. Two pairs' high halves always fit 16
// bits, so they are added before the multiply-add with ones widens them, each
// row's columns together; the deeper pairing of the AVX-512 kernel is not used.
void halfGroupSums(const std::int16_t* half, const std::int16_t* const* frames, int pairs,
                   __m256i* out) {
  const __m256i ones = _mm256_set1_epi16(1);
  __m256i s0 = _mm256_setzero_si256(), s1 = s0, s2 = s0, s3 = s0;
  auto load = [half](int p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(half + 2 * kGroupRows * p));
  };
  auto add = [&](__m256i sum, __m256i a0, __m256i a1, const std::int16_t* frame, int p) {
    const __m256i pair = _mm256_add_epi16(_mm256_mulhi_epi16(a0, pairEverywhere(frame, p)),
                                          _mm256_mulhi_epi16(a1, pairEverywhere(frame, p + 1)));
    return _mm256_add_epi32(sum, _mm256_madd_epi16(pair, ones));
  };
  for (int p = 0; p < pairs; p += 2) {  // pairs is even: length is a multiple of 32
    const __m256i a0 = load(p), a1 = load(p + 1);
    s0 = add(s0, a0, a1, frames[0], p);
    s1 = add(s1, a0, a1, frames[1], p);
    s2 = add(s2, a0, a1, frames[2], p);
    s3 = add(s3, a0, a1, frames[3], p);
  }
  out[0] = s0, out[1] = s1, out[2] = s2, out[3] = s3;
}

void coarseSums(const std::int16_t* rows, int rowCount, const std::int16_t* frames, int frameCount,
                int length, int /*depth*/, std::int32_t* sums) {
  const std::int64_t groupValues = std::int64_t{kGroupRows} * length;
  for (int r = 0; r < rowCount; r += kGroupRows / 2) {
    // The first or second eight rows of their group.
    const std::int16_t* half = rows + (r / kGroupRows) * groupValues + (r % kGroupRows) * 2;
    for (int f = 0; f < frameCount; f += 4) {
      const std::int16_t* quad[4];
      for (int i = 0; i < 4; ++i) quad[i] = frames + static_cast<std::int64_t>(f + i) * length;
      __m256i out[4];
      halfGroupSums(half, quad, length / 2, out);
      for (int i = 0; i < 4; ++i)
        _mm256_storeu_si256(
            reinterpret_cast<__m256i*>(sums + static_cast<std::int64_t>(f + i) * rowCount + r),
            out[i]);
    }
  }
}

// The exact sums of the chosen tiles: each of a tile's four half groups against
// its frames; a tile of fewer than four frames takes its first frame again in
// the empty places and keeps those sums to itself.
void tileSums(const std::int16_t* rows, int rowCount, const std::int16_t* frames, int length,
              int /*depth*/, const CoarseTile* tiles, int tileCount, std::int32_t* sums) {
  const std::int64_t groupValues = std::int64_t{kGroupRows} * length;
  for (int t = 0; t < tileCount; ++t) {
    const CoarseTile& tile = tiles[t];
    const std::int16_t* quad[4];
    for (int i = 0; i < 4; ++i)
      quad[i] =
          frames + static_cast<std::int64_t>(tile.frames[i < tile.frameCount ? i : 0]) * length;
    for (int r = 0; r < 2 * kGroupRows; r += kGroupRows / 2) {
      const std::int16_t* half =
          rows + (2 * tile.pair + r / kGroupRows) * groupValues + (r % kGroupRows) * 2;
      __m256i out[4];
      halfGroupSums(half, quad, length / 2, out);
      for (int i = 0; i < tile.frameCount; ++i)
        _mm256_storeu_si256(
            reinterpret_cast<__m256i*>(sums + static_cast<std::int64_t>(tile.frames[i]) * rowCount +
                                       2 * kGroupRows * tile.pair + r),
            out[i]);
    }
  }
}

// ---- bounds

// Frame values 4q .. 4q + 3 as one 32-bit number.
inline int loadQuad(const std::uint8_t* frame, int q) {
  int quad;
  std::memcpy(&quad, frame + kBoundColumns * q, sizeof quad);
  return quad;
}

// Half a byte row group (eight rows, the first or second 32 bytes of each
// 64-byte step) against four frames over all columns. The frames' bytes are
// below 128 (bytesOf<63>), so each pair of byte products fits 16 bits before
// the multiply-add with ones widens it.
void halfBoundSums(const std::int8_t* half, const std::uint8_t* const* frames, int steps,
                   __m256i* out) {
  const __m256i ones = _mm256_set1_epi16(1);
  __m256i s0 = _mm256_setzero_si256(), s1 = s0, s2 = s0, s3 = s0;
  auto add = [ones](__m256i sum, __m256i a, const std::uint8_t* frame, int q) {
    const __m256i b = _mm256_set1_epi32(loadQuad(frame, q));
    return _mm256_add_epi32(sum, _mm256_madd_epi16(_mm256_maddubs_epi16(b, a), ones));
  };
  for (int q = 0; q < steps; ++q) {
    const __m256i a =
        _mm256_loadu_si256(reinterpret_cast<const __m256i*>(half + kBoundColumns * kGroupRows * q));
    s0 = add(s0, a, frames[0], q);
    s1 = add(s1, a, frames[1], q);
    s2 = add(s2, a, frames[2], q);
    s3 = add(s3, a, frames[3], q);
  }
  out[0] = s0, out[1] = s1, out[2] = s2, out[3] = s3;
}

void boundSums(const std::int8_t* rows, int rowCount, const std::uint8_t* frames, int frameCount,
               int length, std::int32_t* sums) {
  const std::int64_t groupValues = std::int64_t{kGroupRows} * length;
  for (int r = 0; r < rowCount; r += kGroupRows / 2) {
    const std::int8_t* half =
        rows + (r / kGroupRows) * groupValues + (r % kGroupRows) * kBoundColumns;
    for (int f = 0; f < frameCount; f += 4) {
      const std::uint8_t* quad[4];
      for (int i = 0; i < 4; ++i) quad[i] = frames + static_cast<std::int64_t>(f + i) * length;
      __m256i out[4];
      halfBoundSums(half, quad, length / kBoundColumns, out);
      for (int i = 0; i < 4; ++i)
        _mm256_storeu_si256(
            reinterpret_cast<__m256i*>(sums + static_cast<std::int64_t>(f + i) * rowCount + r),
            out[i]);
    }
  }
}

// ---- best bin

int bestBin(const std::int32_t* sums, int binCount, int n) {
  const __m256d four = _mm256_set1_pd(4.0);
  const __m256d scale = _mm256_set1_pd(512.0);
  const __m256d length = _mm256_set1_pd(n);
  const __m256i split = _mm256_set_epi32(7, 5, 3, 1, 6, 4, 2, 0);
  __m256d best = _mm256_set1_pd(-1.0);
  __m256d bestIndex = _mm256_setzero_pd();  // bins as doubles
  __m256d index = _mm256_set_pd(3, 2, 1, 0);
  const __m256d step = _mm256_set1_pd(4);
  int bin = 0;
  for (; bin + 4 <= binCount; bin += 4) {
    const __m256i both = _mm256_permutevar8x32_epi32(
        _mm256_loadu_si256(reinterpret_cast<const __m256i*>(sums + 2 * bin)), split);
    const __m256d c = _mm256_cvtepi32_pd(_mm256_castsi256_si128(both));
    const __m256d s = _mm256_cvtepi32_pd(_mm256_extracti128_si256(both, 1));
    const __m256d m = _mm256_sqrt_pd(_mm256_add_pd(_mm256_mul_pd(c, c), _mm256_mul_pd(s, s)));
    const __m256d x = _mm256_div_pd(_mm256_mul_pd(_mm256_mul_pd(m, four), scale), length);
    const __m256d score = _mm256_round_pd(x, _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
    const __m256d higher = _mm256_cmp_pd(score, best, _CMP_GT_OQ);
    best = _mm256_blendv_pd(best, score, higher);
    bestIndex = _mm256_blendv_pd(bestIndex, index, higher);
    index = _mm256_add_pd(index, step);
  }
  alignas(32) double scores[4];
  alignas(32) double bins[4];
  _mm256_store_pd(scores, best);
  _mm256_store_pd(bins, bestIndex);
  double top = -1.0;
  int winner = 0;
  for (int lane = 0; lane < 4; ++lane) {
    if (scores[lane] > top || (scores[lane] == top && bins[lane] < winner)) {
      top = scores[lane];
      winner = static_cast<int>(bins[lane]);
    }
  }
  // The bins of a last partial group come after every lane's, so they are taken in order.
  for (; bin < binCount; ++bin) {
    const double c = sums[2 * bin];
    const double s = sums[2 * bin + 1];
    const double score = std::trunc(std::sqrt(c * c + s * s) * 4 * 512 / n);
    if (score > top) {
      top = score;
      winner = bin;
    }
  }
  return winner;
}

// ---- sines

// As in the AVX-512 kernels: x = k pi/2 + r for the nearest whole k, with the
// sine and cosine of r; lanes with |x| >= 2^20, or not numbers, are flagged.
struct Quarters {
  __m256d sinR;
  __m256d cosR;
  __m256i k;  // as 64-bit lanes
  __m256d outside;
};

Quarters quarters(__m256d x) {
  const __m256d k = _mm256_round_pd(_mm256_mul_pd(x, _mm256_set1_pd(0x1.45f306dc9c883p-1)),
                                    _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
  __m256d r = _mm256_fnmadd_pd(k, _mm256_set1_pd(0x1.921fb544p+0), x);
  r = _mm256_fnmadd_pd(k, _mm256_set1_pd(0x1.0b4611a6p-34), r);
  r = _mm256_fnmadd_pd(k, _mm256_set1_pd(0x1.3198a2ep-69), r);
  r = _mm256_fnmadd_pd(k, _mm256_set1_pd(0x1.b839a252049c1p-104), r);
  const __m256d z = _mm256_mul_pd(r, r);
  auto step = [z](__m256d p, double c) { return _mm256_fmadd_pd(p, z, _mm256_set1_pd(c)); };
  __m256d s = _mm256_set1_pd(0x1.5d93a5acfd57cp-33);
  s = step(step(step(step(step(s, -0x1.ae5e68a2b9cebp-26), 0x1.71de357b1fe7dp-19),
                     -0x1.a01a019c161d5p-13),
                0x1.111111110f8a6p-7),
           -0x1.5555555555549p-3);
  __m256d c = _mm256_set1_pd(-0x1.8fae9be8838d4p-37);
  c = step(step(step(step(step(c, 0x1.1ee9ebdb4b1c4p-29), -0x1.27e4f809c52adp-22),
                     0x1.a01a019cb1590p-16),
                -0x1.6c16c16c15177p-10),
           0x1.555555555554cp-5);
  return {
      _mm256_fmadd_pd(_mm256_mul_pd(z, r), s, r),
      _mm256_sub_pd(_mm256_set1_pd(1.0),
                    _mm256_fmsub_pd(_mm256_set1_pd(0.5), z, _mm256_mul_pd(_mm256_mul_pd(z, z), c))),
      _mm256_cvtepi32_epi64(_mm256_cvtpd_epi32(k)),
      _mm256_cmp_pd(_mm256_andnot_pd(_mm256_set1_pd(-0.0), x), _mm256_set1_pd(0x1p20),
                    _CMP_NLT_UQ)};
}

// sin(x + turns x pi/2): the sine or the cosine of r, as the quarter turn decides.
__m256d turned(const Quarters& q, int turns) {
  const __m256i k = _mm256_add_epi64(q.k, _mm256_set1_epi64x(turns));
  const __m256i one = _mm256_set1_epi64x(1);
  const __m256d odd = _mm256_castsi256_pd(_mm256_cmpeq_epi64(_mm256_and_si256(k, one), one));
  const __m256i negative = _mm256_slli_epi64(_mm256_and_si256(k, _mm256_set1_epi64x(2)), 62);
  return _mm256_castsi256_pd(
      _mm256_xor_si256(_mm256_castpd_si256(_mm256_blendv_pd(q.sinR, q.cosR, odd)), negative));
}

__m256d sine(__m256d x, __m256d& outside) {
  const Quarters q = quarters(x);
  outside = q.outside;
  return turned(q, 0);
}

// ---- Fourier sums

double sumLanes(__m256d v) {
  alignas(32) double lanes[4];
  _mm256_store_pd(lanes, v);
  return (lanes[0] + lanes[1]) + (lanes[2] + lanes[3]);
}

// cos and sin of k x step x omega for k = 0 .. 8, each angle formed without
// rounding: omega is split into a head of at most 41 significant bits, whose
// product with k < 4,096 is exact, and a tiny tail that enters as a correction.
void baseTurns(double omega, double step, double* c, double* s) {
  const __m256d whole = _mm256_set1_pd(omega);
  const __m256d head = _mm256_castsi256_pd(
      _mm256_and_si256(_mm256_castpd_si256(whole), _mm256_set1_epi64x(~0xFFFll)));
  const __m256d tail = _mm256_sub_pd(whole, head);
  c[0] = 1.0;
  s[0] = 0.0;
  for (int half = 0; half < 2; ++half) {
    const __m256d k =
        _mm256_mul_pd(_mm256_set_pd(4 + 4 * half, 3 + 4 * half, 2 + 4 * half, 1 + 4 * half),
                      _mm256_set1_pd(step));
    const Quarters q = quarters(_mm256_mul_pd(k, head));  // at most 1,024: within range
    const __m256d sines = turned(q, 0);
    const __m256d cosines = turned(q, 1);
    const __m256d t = _mm256_mul_pd(k, tail);
    _mm256_storeu_pd(c + 1 + 4 * half, _mm256_fnmadd_pd(t, sines, cosines));
    _mm256_storeu_pd(s + 1 + 4 * half, _mm256_fmadd_pd(t, cosines, sines));
  }
}

void fourierSums(const double* w, int blocks, double omega, double* cosSum, double* sinSum) {
  alignas(32) double nearC[9], nearS[9], farC[9], farS[9];
  baseTurns(omega, 1.0, nearC, nearS);
  baseTurns(omega, kFourierBlock, farC, farS);
  const __m256d nc0 = _mm256_loadu_pd(nearC), nc1 = _mm256_loadu_pd(nearC + 4);
  const __m256d ns0 = _mm256_loadu_pd(nearS), ns1 = _mm256_loadu_pd(nearS + 4);
  alignas(32) double cosJ[kFourierBlock], sinJ[kFourierBlock];
  double c = 1.0, s = 0.0;
  for (int m = 0; m < 8; ++m) {
    const __m256d cm = _mm256_set1_pd(c), sm = _mm256_set1_pd(s);
    _mm256_store_pd(cosJ + 8 * m, _mm256_fmsub_pd(cm, nc0, _mm256_mul_pd(sm, ns0)));
    _mm256_store_pd(cosJ + 8 * m + 4, _mm256_fmsub_pd(cm, nc1, _mm256_mul_pd(sm, ns1)));
    _mm256_store_pd(sinJ + 8 * m, _mm256_fmadd_pd(sm, nc0, _mm256_mul_pd(cm, ns0)));
    _mm256_store_pd(sinJ + 8 * m + 4, _mm256_fmadd_pd(sm, nc1, _mm256_mul_pd(cm, ns1)));
    const double next = c * nearC[8] - s * nearS[8];
    s = s * nearC[8] + c * nearS[8];
    c = next;
  }
  const __m256d fc0 = _mm256_loadu_pd(farC), fc1 = _mm256_loadu_pd(farC + 4);
  const __m256d fs0 = _mm256_loadu_pd(farS), fs1 = _mm256_loadu_pd(farS + 4);
  alignas(32) double cosB[kMaxFourierBlocks], sinB[kMaxFourierBlocks];
  c = 1.0, s = 0.0;
  for (int p = 0; 8 * p < blocks; ++p) {
    const __m256d cp = _mm256_set1_pd(c), sp = _mm256_set1_pd(s);
    _mm256_store_pd(cosB + 8 * p, _mm256_fmsub_pd(cp, fc0, _mm256_mul_pd(sp, fs0)));
    _mm256_store_pd(cosB + 8 * p + 4, _mm256_fmsub_pd(cp, fc1, _mm256_mul_pd(sp, fs1)));
    _mm256_store_pd(sinB + 8 * p, _mm256_fmadd_pd(sp, fc0, _mm256_mul_pd(cp, fs0)));
    _mm256_store_pd(sinB + 8 * p + 4, _mm256_fmadd_pd(sp, fc1, _mm256_mul_pd(cp, fs1)));
    const double next = c * farC[8] - s * farS[8];
    s = s * farC[8] + c * farS[8];
    c = next;
  }

  __m256d cosTotal = _mm256_setzero_pd();
  __m256d sinTotal = _mm256_setzero_pd();
  for (int i = 0; i < blocks; ++i) {
    const double* x = w + i * kFourierBlock;
    __m256d a0 = _mm256_setzero_pd(), a1 = a0, b0 = a0, b1 = a0;
    for (int v = 0; v < kFourierBlock; v += 8) {
      const __m256d x0 = _mm256_loadu_pd(x + v);
      const __m256d x1 = _mm256_loadu_pd(x + v + 4);
      a0 = _mm256_fmadd_pd(x0, _mm256_load_pd(cosJ + v), a0);
      a1 = _mm256_fmadd_pd(x1, _mm256_load_pd(cosJ + v + 4), a1);
      b0 = _mm256_fmadd_pd(x0, _mm256_load_pd(sinJ + v), b0);
      b1 = _mm256_fmadd_pd(x1, _mm256_load_pd(sinJ + v + 4), b1);
    }
    const __m256d a = _mm256_add_pd(a0, a1);
    const __m256d b = _mm256_add_pd(b0, b1);
    const __m256d cb = _mm256_set1_pd(cosB[i]);
    const __m256d sb = _mm256_set1_pd(sinB[i]);
    cosTotal = _mm256_fnmadd_pd(sb, b, _mm256_fmadd_pd(cb, a, cosTotal));
    sinTotal = _mm256_fmadd_pd(cb, b, _mm256_fmadd_pd(sb, a, sinTotal));
  }
  *cosSum = sumLanes(cosTotal);
  *sinSum = sumLanes(sinTotal);
}

// ---- subtraction

// See the AVX-512 version: near-whole products are taken again from std::sin.
void subtractSines(std::int32_t* values, const double* angles, int count, double amplitude) {
  const __m256d a = _mm256_set1_pd(amplitude);
  const __m256d slack = _mm256_set1_pd(0x1p-48);
  const __m256d signBit = _mm256_set1_pd(-0.0);
  int i = 0;
  for (; i + 4 <= count; i += 4) {
    __m256d outside;
    __m256d p = _mm256_mul_pd(sine(_mm256_loadu_pd(angles + i), outside), a);
    const __m256d q = _mm256_andnot_pd(signBit, p);
    const __m256d m = _mm256_mul_pd(q, slack);
    const __m256d low =
        _mm256_round_pd(_mm256_sub_pd(q, m), _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
    const __m256d high =
        _mm256_round_pd(_mm256_add_pd(q, m), _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
    const int unsure =
        _mm256_movemask_pd(_mm256_or_pd(outside, _mm256_cmp_pd(low, high, _CMP_NEQ_UQ)));
    if (unsure != 0) {
      alignas(32) double lanes[4];
      _mm256_store_pd(lanes, p);
      for (int lane = 0; lane < 4; ++lane)
        if ((unsure >> lane) & 1) lanes[lane] = std::sin(angles[i + lane]) * amplitude;
      p = _mm256_load_pd(lanes);
    }
    const __m128i piece = _mm256_cvttpd_epi32(p);
    auto* out = reinterpret_cast<__m128i*>(values + i);
    _mm_storeu_si128(out, _mm_sub_epi32(_mm_loadu_si128(out), piece));
  }
  for (; i < count; ++i) {
    const auto piece = static_cast<std::int32_t>(std::sin(angles[i]) * amplitude);
    values[i] = static_cast<std::int32_t>(static_cast<std::uint32_t>(values[i]) -
                                          static_cast<std::uint32_t>(piece));
  }
}

}  // namespace

const Kernels& avx2Kernels() {
  static const Kernels kernels{coarseSums,       tileSums, boundSums,   bytesOf<63>,
                               markPossibleBins, bestBin,  fourierSums, subtractSines};
  return kernels;
}

}  // namespace analyser
