// The kernels for AVX-512 (F, BW, DQ, VL and VNNI) with FMA. This file is
// built with those instruction sets enabled; everything in it stays internal.

// GCC 12's AVX-512 intrinsics start some results from a deliberately
// undefined register and then warn about it wherever they are inlined.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

#include <cmath>
#include <cstdint>
#include <cstring>

#include "analyser/fast/coarse_bounds.h"
#include "analyser/fast/kernels.h"

namespace analyser {
namespace {

// ---- coarse sums

// Stops the compiler from folding a load into each instruction that uses it.
inline void keepInRegister(__m512i& v) {
  __asm__("" : "+v"(v));
}

// Frame value pair p (values 2p and 2p + 1) in every 32-bit lane.
inline __m512i pairEverywhere(const std::int16_t* frame, int p) {
  return _mm512_broadcastd_epi32(_mm_loadu_si32(frame + 2 * p));
}

// Frame values 4q .. 4q + 3 as one 32-bit number.
inline int loadQuad(const std::uint8_t* frame, int q) {
  int quad;
  std::memcpy(&quad, frame + kBoundColumns * q, sizeof quad);
  return quad;
}

// Adds column pairs first .. first + count - 1 of two row groups against
// `Frames` frames to the running sums (one vector of sixteen rows per group and
// frame). `Depth` pairs' high halves are added in 16 bits (they fit, see
// coarseDepth) before one multiply-add with ones widens them, each row's two
// columns together, into 32 bits.
template <int Depth, int Frames = 4>
void addTile(const std::int16_t* group0, const std::int16_t* group1,
             const std::int16_t* const* frames, int first, int count, __m512i* sums0,
             __m512i* sums1) {
  const __m512i ones = _mm512_set1_epi16(1);
  __m512i s0[Frames], s1[Frames];
  for (int i = 0; i < Frames; ++i) s0[i] = sums0[i], s1[i] = sums1[i];
  const int end = first + count;
  for (int p = first; p < end;) {
    const int stop = end - p < Depth ? end : p + Depth;
    __m512i t0[Frames], t1[Frames];
    for (int i = 0; i < Frames; ++i) t0[i] = t1[i] = _mm512_setzero_si512();
    for (; p < stop; ++p) {
      const __m512i a0 = _mm512_loadu_si512(group0 + 2 * kGroupRows * p);
      const __m512i a1 = _mm512_loadu_si512(group1 + 2 * kGroupRows * p);
      // Each frame pair is fetched once and kept for both groups.
      __m512i b[Frames];
      for (int i = 0; i < Frames; ++i) {
        b[i] = pairEverywhere(frames[i], p);
        keepInRegister(b[i]);
      }
      for (int i = 0; i < Frames; ++i) {
        t0[i] = _mm512_add_epi16(t0[i], _mm512_mulhi_epi16(a0, b[i]));
        t1[i] = _mm512_add_epi16(t1[i], _mm512_mulhi_epi16(a1, b[i]));
      }
    }
    for (int i = 0; i < Frames; ++i) {
      s0[i] = _mm512_dpwssd_epi32(s0[i], t0[i], ones);
      s1[i] = _mm512_dpwssd_epi32(s1[i], t1[i], ones);
    }
  }
  for (int i = 0; i < Frames; ++i) sums0[i] = s0[i], sums1[i] = s1[i];
}

// Adds column quads first .. first + count - 1 of two byte row groups against
// four byte frames to the eight running sums: four products a lane at a time.
void addBoundTile(const std::int8_t* group0, const std::int8_t* group1,
                  const std::uint8_t* const* frames, int first, int count, __m512i* sums0,
                  __m512i* sums1) {
  __m512i s00 = sums0[0], s01 = sums0[1], s02 = sums0[2], s03 = sums0[3];
  __m512i s10 = sums1[0], s11 = sums1[1], s12 = sums1[2], s13 = sums1[3];
  for (int q = first; q < first + count; ++q) {
    const __m512i a0 = _mm512_loadu_si512(group0 + kBoundColumns * kGroupRows * q);
    const __m512i a1 = _mm512_loadu_si512(group1 + kBoundColumns * kGroupRows * q);
    __m512i b0 = _mm512_set1_epi32(loadQuad(frames[0], q));
    __m512i b1 = _mm512_set1_epi32(loadQuad(frames[1], q));
    __m512i b2 = _mm512_set1_epi32(loadQuad(frames[2], q));
    __m512i b3 = _mm512_set1_epi32(loadQuad(frames[3], q));
    keepInRegister(b0), keepInRegister(b1), keepInRegister(b2), keepInRegister(b3);
    s00 = _mm512_dpbusd_epi32(s00, b0, a0);
    s01 = _mm512_dpbusd_epi32(s01, b1, a0);
    s02 = _mm512_dpbusd_epi32(s02, b2, a0);
    s03 = _mm512_dpbusd_epi32(s03, b3, a0);
    s10 = _mm512_dpbusd_epi32(s10, b0, a1);
    s11 = _mm512_dpbusd_epi32(s11, b1, a1);
    s12 = _mm512_dpbusd_epi32(s12, b2, a1);
    s13 = _mm512_dpbusd_epi32(s13, b3, a1);
  }
  sums0[0] = s00, sums0[1] = s01, sums0[2] = s02, sums0[3] = s03;
  sums1[0] = s10, sums1[1] = s11, sums1[2] = s12, sums1[3] = s13;
}

// A block of row groups meets a block of frames a slice of columns at a time,
// so that the slice of the row block and of the frames, with the running sums,
// stay in the first-level cache while every pair of groups meets every four
// frames; the table is read from memory once per call, in one stream. A step
// is the 64 bytes that hold a group's values of `Columns` neighbouring columns.
constexpr int kBlockGroups = 4;
constexpr int kBlockFrames = 32;
constexpr int kSliceSteps = 32;

template <int Columns, typename Row, typename Frame, typename AddTile>
void blockedSums(const Row* rows, int rowCount, const Frame* frames, int frameCount, int length,
                 std::int32_t* sums, AddTile addTile) {
  const int groups = rowCount / kGroupRows;
  const int steps = length / Columns;
  const std::int64_t groupValues = std::int64_t{kGroupRows} * length;
  alignas(64) __m512i running[kBlockGroups][kBlockFrames];
  for (int g0 = 0; g0 < groups; g0 += kBlockGroups) {
    const int blockGroups = groups - g0 < kBlockGroups ? groups - g0 : kBlockGroups;
    const Row* block = rows + g0 * groupValues;
    for (int f0 = 0; f0 < frameCount; f0 += kBlockFrames) {
      const int blockFrames = frameCount - f0 < kBlockFrames ? frameCount - f0 : kBlockFrames;
      for (int g = 0; g < blockGroups; ++g)
        for (int f = 0; f < blockFrames; ++f) running[g][f] = _mm512_setzero_si512();
      for (int p = 0; p < steps; p += kSliceSteps) {
        const int count = steps - p < kSliceSteps ? steps - p : kSliceSteps;
        // While the first frames pass this block, the next one is fetched into the
        // second-level cache a slice at a time: the table is too big to stay in
        // the caches, and fetching it only when needed would stall the work.
        if (f0 == 0 && g0 + kBlockGroups < groups)
          for (int g = 0; g < kBlockGroups && g0 + kBlockGroups + g < groups; ++g) {
            const char* next = reinterpret_cast<const char*>(
                block + (kBlockGroups + g) * groupValues + Columns * kGroupRows * p);
            for (int line = 0; line < count * 64; line += 64)
              _mm_prefetch(next + line, _MM_HINT_T1);
          }
        for (int g = 0; g < blockGroups; g += 2)
          for (int f = 0; f < blockFrames; f += 4) {
            const Frame* quad[4];
            for (int i = 0; i < 4; ++i)
              quad[i] = frames + static_cast<std::int64_t>(f0 + f + i) * length;
            addTile(block + g * groupValues, block + (g + 1) * groupValues, quad, p, count,
                    &running[g][f], &running[g + 1][f]);
          }
      }
      for (int g = 0; g < blockGroups; ++g)
        for (int f = 0; f < blockFrames; ++f)
          _mm512_storeu_si512(
              sums + static_cast<std::int64_t>(f0 + f) * rowCount + (g0 + g) * kGroupRows,
              running[g][f]);
    }
  }
}

template <int Depth>
void coarseSumsAt(const std::int16_t* rows, int rowCount, const std::int16_t* frames,
                  int frameCount, int length, std::int32_t* sums) {
  // A lambda, not the function's address, so that the tile is inlined.
  blockedSums<2>(rows, rowCount, frames, frameCount, length, sums,
                 [](auto... tile) { addTile<Depth>(tile...); });
}

void coarseSums(const std::int16_t* rows, int rowCount, const std::int16_t* frames, int frameCount,
                int length, int depth, std::int32_t* sums) {
  if (depth >= 8)
    coarseSumsAt<8>(rows, rowCount, frames, frameCount, length, sums);
  else if (depth >= 4)
    coarseSumsAt<4>(rows, rowCount, frames, frameCount, length, sums);
  else
    coarseSumsAt<2>(rows, rowCount, frames, frameCount, length, sums);
}

void boundSums(const std::int8_t* rows, int rowCount, const std::uint8_t* frames, int frameCount,
               int length, std::int32_t* sums) {
  blockedSums<kBoundColumns>(rows, rowCount, frames, frameCount, length, sums,
                             [](auto... tile) { addBoundTile(tile...); });
}

// Each tile's two groups meet its frames over every column at once; the
// tiles of one pair of groups follow one another, so the pair's rows are read
// from the second-level cache after the first.
template <int Depth, int Frames>
void addWholeTile(const std::int16_t* rows, int rowCount, const std::int16_t* frames, int length,
                  const CoarseTile& tile, std::int32_t* sums) {
  const std::int64_t groupValues = std::int64_t{kGroupRows} * length;
  const std::int16_t* group0 = rows + 2 * tile.pair * groupValues;
  const std::int16_t* chosen[Frames];
  __m512i sums0[Frames], sums1[Frames];
  for (int i = 0; i < Frames; ++i) {
    chosen[i] = frames + static_cast<std::int64_t>(tile.frames[i]) * length;
    sums0[i] = sums1[i] = _mm512_setzero_si512();
  }
  addTile<Depth, Frames>(group0, group0 + groupValues, chosen, 0, length / 2, sums0, sums1);
  for (int i = 0; i < Frames; ++i) {
    std::int32_t* out =
        sums + static_cast<std::int64_t>(tile.frames[i]) * rowCount + 2 * kGroupRows * tile.pair;
    _mm512_storeu_si512(out, sums0[i]);
    _mm512_storeu_si512(out + kGroupRows, sums1[i]);
  }
}

template <int Depth>
void tileSumsAt(const std::int16_t* rows, int rowCount, const std::int16_t* frames, int length,
                const CoarseTile* tiles, int tileCount, std::int32_t* sums) {
  for (int t = 0; t < tileCount; ++t) {
    const CoarseTile& tile = tiles[t];
    if (tile.frameCount == 4)
      addWholeTile<Depth, 4>(rows, rowCount, frames, length, tile, sums);
    else if (tile.frameCount == 3)
      addWholeTile<Depth, 3>(rows, rowCount, frames, length, tile, sums);
    else if (tile.frameCount == 2)
      addWholeTile<Depth, 2>(rows, rowCount, frames, length, tile, sums);
    else
      addWholeTile<Depth, 1>(rows, rowCount, frames, length, tile, sums);
  }
}

void tileSums(const std::int16_t* rows, int rowCount, const std::int16_t* frames, int length,
              int depth, const CoarseTile* tiles, int tileCount, std::int32_t* sums) {
  if (depth >= 8)
    tileSumsAt<8>(rows, rowCount, frames, length, tiles, tileCount, sums);
  else if (depth >= 4)
    tileSumsAt<4>(rows, rowCount, frames, length, tiles, tileCount, sums);
  else
    tileSumsAt<2>(rows, rowCount, frames, length, tiles, tileCount, sums);
}

// ---- best bin

int bestBin(const std::int32_t* sums, int binCount, int n) {
  const __m512d four = _mm512_set1_pd(4.0);
  const __m512d scale = _mm512_set1_pd(512.0);
  const __m512d length = _mm512_set1_pd(n);
  // Cosine sums to the low half, sine sums to the high half.
  const __m512i split = _mm512_set_epi32(15, 13, 11, 9, 7, 5, 3, 1, 14, 12, 10, 8, 6, 4, 2, 0);
  __m512d best = _mm512_set1_pd(-1.0);
  __m512i bestIndex = _mm512_setzero_si512();
  __m512i index = _mm512_set_epi64(7, 6, 5, 4, 3, 2, 1, 0);
  const __m512i eight = _mm512_set1_epi64(8);
  for (int bin = 0; bin < binCount; bin += 8) {
    const int left = binCount - bin;
    const __mmask8 valid = left >= 8 ? 0xFF : static_cast<__mmask8>((1u << left) - 1);
    const __mmask16 pairs = left >= 8 ? 0xFFFF : static_cast<__mmask16>((1u << (2 * left)) - 1);
    const __m512i both =
        _mm512_permutexvar_epi32(split, _mm512_maskz_loadu_epi32(pairs, sums + 2 * bin));
    const __m512d c = _mm512_cvtepi32_pd(_mm512_castsi512_si256(both));
    const __m512d s = _mm512_cvtepi32_pd(_mm512_extracti64x4_epi64(both, 1));
    // As the literal score: the squares and their sum are exact, the rest rounds alike.
    const __m512d m = _mm512_sqrt_pd(_mm512_add_pd(_mm512_mul_pd(c, c), _mm512_mul_pd(s, s)));
    const __m512d x = _mm512_div_pd(_mm512_mul_pd(_mm512_mul_pd(m, four), scale), length);
    const __m512d score = _mm512_roundscale_pd(x, _MM_FROUND_TO_ZERO);
    const __mmask8 higher = _mm512_mask_cmp_pd_mask(valid, score, best, _CMP_GT_OQ);
    best = _mm512_mask_mov_pd(best, higher, score);
    bestIndex = _mm512_mask_mov_epi64(bestIndex, higher, index);
    index = _mm512_add_epi64(index, eight);
  }
  alignas(64) double scores[8];
  alignas(64) std::int64_t bins[8];
  _mm512_store_pd(scores, best);
  _mm512_store_si512(bins, bestIndex);
  // Each lane kept its first best; the lowest bin among the lanes with the top score wins.
  int winner = 0;
  double top = -1.0;
  for (int lane = 0; lane < 8; ++lane) {
    if (scores[lane] > top || (scores[lane] == top && bins[lane] < winner)) {
      top = scores[lane];
      winner = static_cast<int>(bins[lane]);
    }
  }
  return winner;
}

// ---- sines

// x = k pi/2 + r for the nearest whole k, with the sine and cosine of r: pi/2
// is taken in three parts whose products with k are exact, so r is within a unit
// in its last place for |x| < 2^20; the polynomials of a quarter turn about zero
// add about one more. Lanes outside that range, or not numbers, are flagged.
struct Quarters {
  __m512d sinR;
  __m512d cosR;
  __m512i k;
  __mmask8 outside;
};

Quarters quarters(__m512d x) {
  const __m512d k = _mm512_roundscale_pd(_mm512_mul_pd(x, _mm512_set1_pd(0x1.45f306dc9c883p-1)),
                                         _MM_FROUND_TO_NEAREST_INT);
  __m512d r = _mm512_fnmadd_pd(k, _mm512_set1_pd(0x1.921fb544p+0), x);
  r = _mm512_fnmadd_pd(k, _mm512_set1_pd(0x1.0b4611a6p-34), r);
  r = _mm512_fnmadd_pd(k, _mm512_set1_pd(0x1.3198a2ep-69), r);
  r = _mm512_fnmadd_pd(k, _mm512_set1_pd(0x1.b839a252049c1p-104), r);
  const __m512d z = _mm512_mul_pd(r, r);
  auto step = [z](__m512d p, double c) { return _mm512_fmadd_pd(p, z, _mm512_set1_pd(c)); };
  __m512d s = _mm512_set1_pd(0x1.5d93a5acfd57cp-33);
  s = step(step(step(step(step(s, -0x1.ae5e68a2b9cebp-26), 0x1.71de357b1fe7dp-19),
                     -0x1.a01a019c161d5p-13),
                0x1.111111110f8a6p-7),
           -0x1.5555555555549p-3);
  __m512d c = _mm512_set1_pd(-0x1.8fae9be8838d4p-37);
  c = step(step(step(step(step(c, 0x1.1ee9ebdb4b1c4p-29), -0x1.27e4f809c52adp-22),
                     0x1.a01a019cb1590p-16),
                -0x1.6c16c16c15177p-10),
           0x1.555555555554cp-5);
  return {
      _mm512_fmadd_pd(_mm512_mul_pd(z, r), s, r),
      _mm512_sub_pd(_mm512_set1_pd(1.0),
                    _mm512_fmsub_pd(_mm512_set1_pd(0.5), z, _mm512_mul_pd(_mm512_mul_pd(z, z), c))),
      _mm512_cvtpd_epi64(k),
      _mm512_cmp_pd_mask(_mm512_abs_pd(x), _mm512_set1_pd(0x1p20), _CMP_NLT_UQ)};
}

// sin(x + turns x pi/2): the sine or the cosine of r, as the quarter turn decides.
__m512d turned(const Quarters& q, int turns) {
  const __m512i k = _mm512_add_epi64(q.k, _mm512_set1_epi64(turns));
  const __mmask8 odd = _mm512_test_epi64_mask(k, _mm512_set1_epi64(1));
  const __m512i negative = _mm512_slli_epi64(_mm512_and_si512(k, _mm512_set1_epi64(2)), 62);
  return _mm512_castsi512_pd(
      _mm512_xor_si512(_mm512_castpd_si512(_mm512_mask_blend_pd(odd, q.sinR, q.cosR)), negative));
}

__m512d sine(__m512d x, __mmask8& outside) {
  const Quarters q = quarters(x);
  outside = q.outside;
  return turned(q, 0);
}

// ---- Fourier sums

double sumLanes(__m512d v) {
  alignas(64) double lanes[8];
  _mm512_store_pd(lanes, v);
  return ((lanes[0] + lanes[1]) + (lanes[2] + lanes[3])) +
         ((lanes[4] + lanes[5]) + (lanes[6] + lanes[7]));
}

struct Turns {
  __m512d c;  // cosines
  __m512d s;  // sines
};

// k x step x omega for k = 1 .. 8, each formed without rounding: omega is split
// into a head of at most 41 significant bits, whose product with k < 4,096 is
// exact, and a tiny tail that enters as a first-order correction.
Turns baseTurns(double omega, double step) {
  const __m512d whole = _mm512_set1_pd(omega);
  const __m512d head = _mm512_castsi512_pd(
      _mm512_and_si512(_mm512_castpd_si512(whole), _mm512_set1_epi64(~0xFFFll)));
  const __m512d tail = _mm512_sub_pd(whole, head);
  const __m512d k = _mm512_mul_pd(_mm512_set_pd(8, 7, 6, 5, 4, 3, 2, 1), _mm512_set1_pd(step));
  const __m512d angles = _mm512_mul_pd(k, head);  // at most 1,024: within range
  const Quarters q = quarters(angles);
  const __m512d sines = turned(q, 0);
  const __m512d cosines = turned(q, 1);
  const __m512d t = _mm512_mul_pd(k, tail);
  return {_mm512_fnmadd_pd(t, sines, cosines), _mm512_fmadd_pd(t, cosines, sines)};
}

// Lanes shifted up by one, with the turn of angle 0 in lane 0: k = 0 .. 7.
Turns fromZero(const Turns& t) {
  const __m512i up = _mm512_set_epi64(6, 5, 4, 3, 2, 1, 0, 0);
  return {_mm512_mask_permutexvar_pd(_mm512_set1_pd(1.0), 0xFE, up, t.c),
          _mm512_mask_permutexvar_pd(_mm512_setzero_pd(), 0xFE, up, t.s)};
}

// The turn in the top lane (k = 8), as two numbers.
void topLane(const Turns& t, double& c, double& s) {
  alignas(64) double lanes[8];
  _mm512_store_pd(lanes, t.c);
  c = lanes[7];
  _mm512_store_pd(lanes, t.s);
  s = lanes[7];
}

void fourierSums(const double* w, int blocks, double omega, double* cosSum, double* sinSum) {
  const Turns nearTop = baseTurns(omega, 1.0);
  const Turns farTop = baseTurns(omega, kFourierBlock);
  const Turns near = fromZero(nearTop);  // j omega, j = 0 .. 7
  const Turns far = fromZero(farTop);    // 64 q omega, q = 0 .. 7
  double c8, s8, c512, s512;
  topLane(nearTop, c8, s8);
  topLane(farTop, c512, s512);

  // cos and sin of (8m + j) omega: row m is near turned by 8m omega.
  __m512d cosJ[8], sinJ[8];
  double c = 1.0, s = 0.0;
  for (int m = 0; m < 8; ++m) {
    const __m512d cm = _mm512_set1_pd(c), sm = _mm512_set1_pd(s);
    cosJ[m] = _mm512_fmsub_pd(cm, near.c, _mm512_mul_pd(sm, near.s));
    sinJ[m] = _mm512_fmadd_pd(sm, near.c, _mm512_mul_pd(cm, near.s));
    const double next = c * c8 - s * s8;
    s = s * c8 + c * s8;
    c = next;
  }
  // cos and sin of 64 (8p + q) omega, the block starts.
  alignas(64) double cosB[kMaxFourierBlocks], sinB[kMaxFourierBlocks];
  c = 1.0, s = 0.0;
  for (int p = 0; 8 * p < blocks; ++p) {
    const __m512d cp = _mm512_set1_pd(c), sp = _mm512_set1_pd(s);
    _mm512_store_pd(cosB + 8 * p, _mm512_fmsub_pd(cp, far.c, _mm512_mul_pd(sp, far.s)));
    _mm512_store_pd(sinB + 8 * p, _mm512_fmadd_pd(sp, far.c, _mm512_mul_pd(cp, far.s)));
    const double next = c * c512 - s * s512;
    s = s * c512 + c * s512;
    c = next;
  }

  __m512d cosTotal = _mm512_setzero_pd();
  __m512d sinTotal = _mm512_setzero_pd();
  for (int i = 0; i < blocks; ++i) {
    const double* x = w + i * kFourierBlock;
    // Two chains each, so that the additions overlap.
    __m512d a0 = _mm512_mul_pd(_mm512_loadu_pd(x), cosJ[0]);
    __m512d a1 = _mm512_mul_pd(_mm512_loadu_pd(x + 8), cosJ[1]);
    __m512d b0 = _mm512_mul_pd(_mm512_loadu_pd(x), sinJ[0]);
    __m512d b1 = _mm512_mul_pd(_mm512_loadu_pd(x + 8), sinJ[1]);
    for (int v = 2; v < 8; v += 2) {
      const __m512d x0 = _mm512_loadu_pd(x + 8 * v);
      const __m512d x1 = _mm512_loadu_pd(x + 8 * v + 8);
      a0 = _mm512_fmadd_pd(x0, cosJ[v], a0);
      a1 = _mm512_fmadd_pd(x1, cosJ[v + 1], a1);
      b0 = _mm512_fmadd_pd(x0, sinJ[v], b0);
      b1 = _mm512_fmadd_pd(x1, sinJ[v + 1], b1);
    }
    const __m512d a = _mm512_add_pd(a0, a1);
    const __m512d b = _mm512_add_pd(b0, b1);
    const __m512d cb = _mm512_set1_pd(cosB[i]);
    const __m512d sb = _mm512_set1_pd(sinB[i]);
    cosTotal = _mm512_fnmadd_pd(sb, b, _mm512_fmadd_pd(cb, a, cosTotal));
    sinTotal = _mm512_fmadd_pd(cb, b, _mm512_fmadd_pd(sb, a, sinTotal));
  }
  *cosSum = sumLanes(cosTotal);
  *sinSum = sumLanes(sinTotal);
}

// ---- subtraction

// The products of eight sines with the amplitude, each truncated toward zero,
// as the C library's sine gives them. Both the vector sine and the C library's
// lie within a few units in the last place; a product that close to a whole
// number is taken again from std::sin.
__m256i pieces(const double* angles, __mmask8 lanes, double amplitude) {
  __mmask8 outside = 0;
  __m512d p =
      _mm512_mul_pd(sine(_mm512_maskz_loadu_pd(lanes, angles), outside), _mm512_set1_pd(amplitude));
  const __m512d q = _mm512_abs_pd(p);
  const __m512d m = _mm512_mul_pd(q, _mm512_set1_pd(0x1p-48));
  const __m512d low = _mm512_roundscale_pd(_mm512_sub_pd(q, m), _MM_FROUND_TO_ZERO);
  const __m512d high = _mm512_roundscale_pd(_mm512_add_pd(q, m), _MM_FROUND_TO_ZERO);
  const __mmask8 unsure = lanes & (outside | _mm512_cmp_pd_mask(low, high, _CMP_NEQ_UQ));
  if (unsure != 0) {
    alignas(64) double taken[8];
    _mm512_store_pd(taken, p);
    for (int lane = 0; lane < 8; ++lane)
      if ((unsure >> lane) & 1) taken[lane] = std::sin(angles[lane]) * amplitude;
    p = _mm512_load_pd(taken);
  }
  return _mm512_cvttpd_epi32(p);
}

void subtractSines(std::int32_t* values, const double* angles, int count, double amplitude) {
  int i = 0;
  // Two groups at a time, so that their long chains of dependent steps overlap.
  for (; i + 16 <= count; i += 16) {
    const __m256i first = pieces(angles + i, 0xFF, amplitude);
    const __m256i second = pieces(angles + i + 8, 0xFF, amplitude);
    auto* out = reinterpret_cast<__m256i*>(values + i);
    _mm256_storeu_si256(out, _mm256_sub_epi32(_mm256_loadu_si256(out), first));
    _mm256_storeu_si256(out + 1, _mm256_sub_epi32(_mm256_loadu_si256(out + 1), second));
  }
  for (; i < count; i += 8) {
    const __mmask8 lanes = count - i >= 8 ? 0xFF : static_cast<__mmask8>((1u << (count - i)) - 1);
    std::int32_t* out = values + i;
    _mm256_mask_storeu_epi32(out, lanes,
                             _mm256_sub_epi32(_mm256_maskz_loadu_epi32(lanes, out),
                                              pieces(angles + i, lanes, amplitude)));
  }
}

}  // namespace

const Kernels& avx512Kernels() {
  static const Kernels kernels{coarseSums,       tileSums, boundSums,   bytesOf<127>,
                               markPossibleBins, bestBin,  fourierSums, subtractSines};
  return kernels;
}

}  // namespace analyser
