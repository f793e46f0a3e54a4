// Packing and unpacking 1 MB of mixed data (text and program image) with a 4096 window,
// beside the plain-scan reference packer and zlib's compress2 at level 6 on the same data.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include "scripts/packed.h"
#include "scripts/packed_reference.h"
#include "scripts/sample_data.h"

namespace plumo {
namespace {

const std::string& MixedMegabyte() {
  static const std::string data = sample::Mixed(2024, 1 << 20);
  return data;
}

void Report(benchmark::State& state, size_t bytes, size_t packedSize) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
  state.counters["ratio"] = static_cast<double>(packedSize) / static_cast<double>(bytes);
}

void BM_Pack(benchmark::State& state) {
  const std::string& data = MixedMegabyte();
  size_t size = 0;
  for (auto _ : state) {
    auto packed = Pack(data, 4096);
    size = packed->size();
    benchmark::DoNotOptimize(packed);
  }
  Report(state, data.size(), size);
}
BENCHMARK(BM_Pack)->Unit(benchmark::kMillisecond);

void BM_Unpack(benchmark::State& state) {
  const std::string& data = MixedMegabyte();
  const std::string packed = *Pack(data, 4096);
  for (auto _ : state) {
    auto out = Unpack(packed);
    if (!out || *out != data) state.SkipWithError("unpack differs");
    benchmark::DoNotOptimize(out);
  }
  Report(state, data.size(), packed.size());
}
BENCHMARK(BM_Unpack)->Unit(benchmark::kMillisecond);

void BM_ReferencePack(benchmark::State& state) {
  const std::string& data = MixedMegabyte();
  size_t size = 0;
  for (auto _ : state) {
    std::string packed = ReferencePack(data, 4096);
    size = packed.size();
    benchmark::DoNotOptimize(packed);
  }
  Report(state, data.size(), size);
}
BENCHMARK(BM_ReferencePack)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_ZlibCompress6(benchmark::State& state) {
  const std::string& data = MixedMegabyte();
  std::string out(compressBound(data.size()), '\0');
  uLongf size = 0;
  for (auto _ : state) {
    size = out.size();
    compress2(reinterpret_cast<Bytef*>(out.data()), &size,
              reinterpret_cast<const Bytef*>(data.data()), data.size(), 6);
    benchmark::DoNotOptimize(out);
  }
  Report(state, data.size(), size);
}
BENCHMARK(BM_ZlibCompress6)->Unit(benchmark::kMillisecond);

void BM_ZlibUncompress(benchmark::State& state) {
  const std::string& data = MixedMegabyte();
  std::string packed(compressBound(data.size()), '\0');
  uLongf packedSize = packed.size();
  compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize,
            reinterpret_cast<const Bytef*>(data.data()), data.size(), 6);
  std::string out(data.size(), '\0');
  for (auto _ : state) {
    uLongf size = out.size();
    uncompress(reinterpret_cast<Bytef*>(out.data()), &size,
               reinterpret_cast<const Bytef*>(packed.data()), packedSize);
    benchmark::DoNotOptimize(out);
  }
  Report(state, data.size(), packedSize);
}
BENCHMARK(BM_ZlibUncompress)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace plumo
