// Other programs timed in the same run, by processor time (the machines that run these are
// shared, so wall-clock times say little): a Python program times its own work with
// time.process_time() and prints the seconds, so the interpreter's start does not count; any
// other program is timed by the processor time its process used.
#pragma once

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace plumo {

inline double ChildSeconds() {
  struct rusage u;
  getrusage(RUSAGE_CHILDREN, &u);
  return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// printsSeconds: the program prints its own time; otherwise its process's time counts.
inline bool RunTimed(benchmark::State& state, const std::string& command, bool printsSeconds) {
  for (auto _ : state) {
    const double before = ChildSeconds();
    std::FILE* p = popen(command.c_str(), "r");
    double seconds = -1;
    if (p) {
      if (std::fscanf(p, "%lf", &seconds) != 1 && printsSeconds) seconds = -1;
      char rest[256];
      while (std::fgets(rest, sizeof rest, p)) {
      }
      if (pclose(p) != 0) seconds = -1;
      else if (!printsSeconds) seconds = ChildSeconds() - before;
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
