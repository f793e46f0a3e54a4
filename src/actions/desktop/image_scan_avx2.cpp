// The AVX2 loops; this file alone is compiled for AVX2 and runs only where the processor
// says it has it.
#include <immintrin.h>

#include "actions/desktop/image_scan_loops.h"

namespace plumo::scan {
namespace {

struct Avx2Vec {
  static constexpr int kLanes = 8;
  using Vec = __m256i;
  static Vec Load(const uint32_t* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
  static Vec Splat(uint32_t v) { return _mm256_set1_epi32(static_cast<int>(v)); }
  static Vec Ones() { return _mm256_set1_epi32(-1); }
  static Vec Zero() { return _mm256_setzero_si256(); }
  static Vec InRange(Vec s, Vec lo, Vec hi) {
    return _mm256_cmpeq_epi32(_mm256_min_epu8(_mm256_max_epu8(s, lo), hi), s);
  }
  static Vec And(Vec a, Vec b) { return _mm256_and_si256(a, b); }
  static Vec AndNot(Vec a, Vec b) { return _mm256_andnot_si256(a, b); }
  static Vec Add(Vec a, Vec b) { return _mm256_add_epi32(a, b); }
  static Vec Sub(Vec a, Vec b) { return _mm256_sub_epi32(a, b); }
  static Vec CmpGt(Vec a, Vec b) { return _mm256_cmpgt_epi32(a, b); }
  static unsigned Bits(Vec m) { return static_cast<unsigned>(_mm256_movemask_ps(_mm256_castsi256_ps(m))); }
  static Vec LoadCounts(const uint16_t* p) {
    return _mm256_cvtepu16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
  }
};

constexpr ScanKernels kAvx2 = KernelsOf<Avx2Vec>("AVX2");

}  // namespace

const ScanKernels& Avx2Kernels() { return kAvx2; }

}  // namespace plumo::scan
