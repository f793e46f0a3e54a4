// SSE2, which every processor that runs the programs has, and the choice of AVX2 where the
// processor offers it.
#include <emmintrin.h>

#include "actions/desktop/image_scan_loops.h"

namespace plumo::scan {

const ScanKernels& Avx2Kernels();  // image_scan_avx2.cpp

namespace {

struct Sse2Vec {
  static constexpr int kLanes = 4;
  using Vec = __m128i;
  static Vec Load(const uint32_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
  static Vec Splat(uint32_t v) { return _mm_set1_epi32(static_cast<int>(v)); }
  static Vec Ones() { return _mm_set1_epi32(-1); }
  static Vec Zero() { return _mm_setzero_si128(); }
  static Vec InRange(Vec s, Vec lo, Vec hi) { return _mm_cmpeq_epi32(_mm_min_epu8(_mm_max_epu8(s, lo), hi), s); }
  static Vec And(Vec a, Vec b) { return _mm_and_si128(a, b); }
  static Vec AndNot(Vec a, Vec b) { return _mm_andnot_si128(a, b); }
  static Vec Add(Vec a, Vec b) { return _mm_add_epi32(a, b); }
  static Vec Sub(Vec a, Vec b) { return _mm_sub_epi32(a, b); }
  static Vec CmpGt(Vec a, Vec b) { return _mm_cmpgt_epi32(a, b); }
  static unsigned Bits(Vec m) { return static_cast<unsigned>(_mm_movemask_ps(_mm_castsi128_ps(m))); }
  static Vec LoadCounts(const uint16_t* p) {
    return _mm_unpacklo_epi16(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), _mm_setzero_si128());
  }
};

constexpr ScanKernels kSse2 = KernelsOf<Sse2Vec>("SSE2");

}  // namespace

std::vector<const ScanKernels*> AvailableKernels() {
  std::vector<const ScanKernels*> out;
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx2")) out.push_back(&Avx2Kernels());
  out.push_back(&kSse2);
  out.push_back(&PortableKernels());
  return out;
}

}  // namespace plumo::scan
