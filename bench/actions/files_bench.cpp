// Copy File, Count File Lines, Find File and Sort on large inputs, each beside the system tool
// that does the same in the same run (cp, wc -l, find, sort). The inputs live in a scratch
// folder on a tmpfs ($PLUMO_BENCH_DIR, else /dev/shm, else /tmp) and are removed at the end.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "actions/integration/data/text_functions.h"
#include "actions/integration/files/file_scan.h"
#include "platform/posix/posix_files.h"

namespace plumo {
namespace {

namespace fs = std::filesystem;

constexpr uint64_t kBigFile = 1ull << 30;
constexpr int kFolders = 100, kFilesPerFolder = 1000;
constexpr int kSortLines = 1000000;

// The scratch folder and what is made in it, once, for every benchmark of the run.
class Scratch {
 public:
  static Scratch& Get() {
    static Scratch s;
    return s;
  }
  ~Scratch() {
    std::error_code ec;
    fs::remove_all(root_, ec);
  }
  // 1 GB of lines of 20 to 120 characters.
  const std::string& BigFile() {
    if (big_.empty()) {
      big_ = root_ + "/big.txt";
      std::ofstream out(big_, std::ios::binary);
      std::mt19937 random(1);
      std::string line;
      for (uint64_t written = 0; written < kBigFile; written += line.size()) {
        line.assign(20 + random() % 100, static_cast<char>('a' + random() % 26));
        line += '\n';
        out << line;
      }
    }
    return big_;
  }
  const std::string& Tree() {
    if (tree_.empty()) {
      tree_ = root_ + "/tree";
      for (int f = 0; f < kFolders; ++f) {
        const std::string folder = tree_ + "/d" + std::to_string(f / 10) + "/e" + std::to_string(f);
        fs::create_directories(folder);
        for (int i = 0; i < kFilesPerFolder; ++i)
          std::ofstream(folder + "/f" + std::to_string(i) + (i % 10 == 0 ? ".ini" : ".txt"));
      }
    }
    return tree_;
  }
  // A million lines of words in mixed case, and the same as a file for sort.
  const std::string& SortText() {
    if (sortText_.empty()) {
      std::mt19937 random(2);
      for (int i = 0; i < kSortLines; ++i) {
        std::string word(5 + random() % 20, ' ');
        for (char& c : word) c = static_cast<char>((random() % 2 ? 'a' : 'A') + random() % 26);
        sortText_ += word + "\r\n";
      }
      std::string lf = sortText_;
      std::erase(lf, '\r');
      std::ofstream(root_ + "/sort.txt", std::ios::binary) << lf;
    }
    return sortText_;
  }
  std::string Path(const std::string& name) const { return root_ + "/" + name; }

 private:
  Scratch() {
    const char* base = getenv("PLUMO_BENCH_DIR");
    std::string folder = base ? base : fs::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
    root_ = folder + "/plumo-files-bench-" + std::to_string(getpid());
    fs::create_directories(root_);
  }
  std::string root_, big_, tree_, sortText_;
};

// Runs the command each round; `before`, when given, is removed first, outside the timing.
void RunTool(benchmark::State& state, const std::string& command, const std::string& before = "") {
  for (auto _ : state) {
    if (!before.empty()) {
      state.PauseTiming();
      fs::remove(before);
      state.ResumeTiming();
    }
    if (std::system(command.c_str()) != 0) state.SkipWithError(("failed: " + command).c_str());
  }
}

// Copies to a new file each round (range 0), or over the copy of the round before (range 1):
// Copy File then writes beside the old file and renames, where cp writes into it.
void BM_CopyFile(benchmark::State& state) {
  PosixFiles files;
  const std::string from = Scratch::Get().BigFile(), to = Scratch::Get().Path("copy.txt");
  for (auto _ : state) {
    if (state.range(0) == 0) {
      state.PauseTiming();
      fs::remove(to);
      state.ResumeTiming();
    }
    if (OsError e = files.Copy(from, to); !e) state.SkipWithError(e.ToString().c_str());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kBigFile));
  fs::remove(to);
}
void BM_CopyFile_cp(benchmark::State& state) {
  const std::string to = Scratch::Get().Path("copy-cp.txt");
  RunTool(state, "cp '" + Scratch::Get().BigFile() + "' '" + to + "'", state.range(0) == 0 ? to : "");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kBigFile));
  fs::remove(to);
}

void BM_CountFileLines(benchmark::State& state) {
  PosixFiles files;
  const std::string path = Scratch::Get().BigFile();
  uint64_t lines = 0;
  for (auto _ : state)
    if (OsError e = CountLines(files, path, &lines); !e) state.SkipWithError(e.ToString().c_str());
  state.counters["lines"] = static_cast<double>(lines);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kBigFile));
}
void BM_CountFileLines_wc(benchmark::State& state) {
  RunTool(state, "wc -l < '" + Scratch::Get().BigFile() + "' > /dev/null");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kBigFile));
}

// What Find File does with "All": every match below the start folder, as paths.
void BM_FindFile(benchmark::State& state) {
  PosixFiles files;
  const std::string mask = Scratch::Get().Tree() + "/*.ini";
  size_t found = 0;
  for (auto _ : state) {
    std::vector<std::string> paths;
    files.ListMatches(mask, false, true, [&](const std::string& p) {
      paths.push_back(p);
      return true;
    });
    found = paths.size();
  }
  state.counters["found"] = static_cast<double>(found);
}
void BM_FindFile_find(benchmark::State& state) {
  RunTool(state, "find '" + Scratch::Get().Tree() + "' -name '*.ini' > /dev/null");
}

void BM_Sort(benchmark::State& state) {
  const std::string& text = Scratch::Get().SortText();
  const bool caseSensitive = state.range(0) != 0;
  for (auto _ : state)
    benchmark::DoNotOptimize(SortItems(text, "", SortType::kAscending, caseSensitive, "\r\n"));
}
void BM_Sort_sort(benchmark::State& state) {
  Scratch::Get().SortText();
  RunTool(state, std::string("LC_ALL=C sort ") + (state.range(0) ? "" : "-f ") + "'" + Scratch::Get().Path("sort.txt") +
                     "' > /dev/null");
}

BENCHMARK(BM_CopyFile)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_CopyFile_cp)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_CountFileLines)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_CountFileLines_wc)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_FindFile)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_FindFile_find)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_Sort)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_Sort_sort)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace
}  // namespace plumo
