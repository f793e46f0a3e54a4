// Drives a fuzz target without libFuzzer: feeds it every file named on the command line (or
// found in a named folder), then a fixed number of deterministic random mutations of them, so
// that the ordinary test builds run every fuzz target under their sanitizers.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

std::string ReadFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void Run(const std::string& input) {
  LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(input.data()), input.size());
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> seeds;
  for (int i = 1; i < argc; ++i) {
    std::filesystem::path p(argv[i]);
    if (std::filesystem::is_directory(p)) {
      for (const auto& entry : std::filesystem::directory_iterator(p))
        if (entry.is_regular_file()) seeds.push_back(ReadFile(entry.path()));
    } else {
      seeds.push_back(ReadFile(p));
    }
  }
  if (seeds.empty()) seeds.push_back(std::string());
  for (const auto& s : seeds) Run(s);

  std::mt19937 rng(12345);
  const std::string alphabet = "<>/%{}()[]\"'=;,.-+*^&|!~\\\r\n\t 0123456789abcXYZ";
  for (int round = 0; round < 20000; ++round) {
    std::string s = seeds[rng() % seeds.size()];
    int edits = 1 + static_cast<int>(rng() % 8);
    for (int e = 0; e < edits; ++e) {
      size_t at = s.empty() ? 0 : rng() % (s.size() + 1);
      switch (rng() % 4) {
        case 0: s.insert(at, 1, alphabet[rng() % alphabet.size()]); break;
        case 1: if (at < s.size()) s.erase(at, 1 + rng() % 4); break;
        case 2: if (at < s.size()) s[at] = static_cast<char>(rng() & 0xFF); break;
        case 3: if (!s.empty()) s.insert(at, s.substr(rng() % s.size(), 1 + rng() % 16)); break;
      }
    }
    Run(s);
  }
  std::printf("replayed %zu seeds and 20000 mutations\n", seeds.size());
  return 0;
}
