// Runs a libFuzzer target without libFuzzer: over the files named on the command line, or else
// over random mutations of a few seed formulas, so that every build exercises the target.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

int Run(const std::string& s) { return LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(s.data()), s.size()); }

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    std::ifstream in(argv[i], std::ios::binary);
    Run(std::string(std::istreambuf_iterator<char>(in), {}));
  }
  if (argc > 1) return 0;
  const char* seeds[] = {
      "=ROUND(12.5*3+SQRT(16)/2, 2)",
      "=IF(LEN(\"abc\")>2, \"long\", \"short\")",
      "=TEXT(DATE(2009,8,22), \"dddd, mmmm d, yyyy h:mm AM/PM\")",
      "=SUBSTITUTE(REPT(\"ab\",99), \"b\", PAD(\"x\", 9, \"yz\"))",
      "5 > 3 || abc == abd && 1",
      "MB_YESNO | MB_ICONQUESTION, WS_POPUP|WS_VISIBLE",
  };
  std::mt19937 rng(2024);
  std::uniform_int_distribution<int> byte(0, 255), op(0, 3);
  size_t runs = 0;
  for (const char* seed : seeds) {
    std::string s = seed;
    for (int i = 0; i < 2000; ++i, ++runs) {
      std::uniform_int_distribution<size_t> at(0, s.size());
      switch (op(rng)) {
        case 0: s.insert(at(rng), 1, static_cast<char>(byte(rng))); break;
        case 1: if (!s.empty()) s.erase(at(rng) % s.size(), 1); break;
        case 2: if (!s.empty()) s[at(rng) % s.size()] = static_cast<char>(byte(rng)); break;
        case 3: s.insert(at(rng), s.substr(0, at(rng) % 64)); break;
      }
      if (s.size() > 4000) s = seed;
      Run(s);
    }
  }
  std::printf("%zu inputs ran\n", runs);
  return 0;
}
