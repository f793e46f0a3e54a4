// Runs a program that times its own work and prints the seconds it took; the benchmark takes
// that as the iteration's time, so start-up costs of the interpreter do not count.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace plumo {

inline bool RunTimed(benchmark::State& state, const std::string& command) {
  for (auto _ : state) {
    std::FILE* p = popen(command.c_str(), "r");
    double seconds = -1;
    if (p) {
      if (std::fscanf(p, "%lf", &seconds) != 1) seconds = -1;
      pclose(p);
    }
    if (seconds < 0) {
      state.SkipWithError(("could not run: " + command).c_str());
      return false;
    }
    state.SetIterationTime(seconds);
  }
  return true;
}

// Debian's python3, which carries python3-openpyxl.
inline std::string Python() {
  std::FILE* f = std::fopen("/usr/bin/python3", "rb");
  if (f) std::fclose(f);
  return f ? "/usr/bin/python3" : "python3";
}

}  // namespace plumo
