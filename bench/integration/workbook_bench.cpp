// 100,000 cells (1,000 rows of 100, numbers and texts) written to an .xlsx file and read back
// through the workbook actions' own files, beside openpyxl's write-only and read-only modes
// doing the same in the same run. Compare the CPU columns.
#include <benchmark/benchmark.h>

#include <cstdio>

#include "actions/integration/workbooks/file_workbook.h"
#include "bench_python.h"
#include "platform/posix/posix_files.h"

namespace plumo {
namespace {

constexpr uint32_t kRows = 1000, kColumns = 100;
const std::string kPath = "/tmp/plumo_bench_100k.xlsx";
const std::string kOpenpyxlPath = "/tmp/plumo_bench_100k_openpyxl.xlsx";

WriteGrid Grid() {
  WriteGrid grid(kRows, std::vector<CellWrite>(kColumns));
  for (uint32_t r = 0; r < kRows; ++r)
    for (uint32_t c = 0; c < kColumns; ++c)
      grid[r][c].value = c % 2 ? "text " + std::to_string(r * kColumns + c) : std::to_string(r * kColumns + c) + ".5";
  return grid;
}

void BM_PlumoWrite100kCells(benchmark::State& state) {
  PosixFiles files;
  FileWorkbookApp app(files);
  const WriteGrid grid = Grid();
  for (auto _ : state) {
    std::unique_ptr<OpenWorkbook> book;
    std::string e = app.Create(kPath, true, &book);
    if (e.empty()) e = book->Write(CellRange{}, grid);
    if (e.empty()) e = book->Save();
    if (!e.empty()) state.SkipWithError(e.c_str());
  }
  state.SetItemsProcessed(state.iterations() * kRows * kColumns);
}
BENCHMARK(BM_PlumoWrite100kCells)->Unit(benchmark::kMillisecond);

void BM_PlumoRead100kCells(benchmark::State& state) {
  PosixFiles files;
  FileWorkbookApp app(files);
  const CellRange all{"", 1, 1, kRows, kColumns};
  for (auto _ : state) {
    std::unique_ptr<OpenWorkbook> book;
    TextGrid out;
    std::string e = app.Open(kPath, true, &book);
    if (e.empty()) e = book->Read(all, &out);
    if (!e.empty() || out.size() != kRows || out[kRows - 1][1] != "text 99901") state.SkipWithError(e.empty() ? "wrong cells" : e.c_str());
  }
  state.SetItemsProcessed(state.iterations() * kRows * kColumns);
}
BENCHMARK(BM_PlumoRead100kCells)->Unit(benchmark::kMillisecond);

void BM_OpenpyxlWriteOnly100kCells(benchmark::State& state) {
  RunTimed(state, Python() + " -c \"import time, openpyxl\nt = time.process_time()\nwb = openpyxl.Workbook(write_only=True)\n"
                             "ws = wb.create_sheet()\nfor r in range(1000):\n    ws.append([(str(r*100+c) + '.5') if c % 2 == 0 else "
                             "'text ' + str(r*100+c) for c in range(100)])\nwb.save('" + kOpenpyxlPath +
                             "')\nprint(time.process_time() - t)\"", true);
}
BENCHMARK(BM_OpenpyxlWriteOnly100kCells)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

void BM_OpenpyxlReadOnly100kCells(benchmark::State& state) {
  RunTimed(state, Python() + " -c \"import time, openpyxl\nt = time.process_time()\n"
                             "wb = openpyxl.load_workbook('" + kPath + "', read_only=True)\n"
                             "n = sum(1 for row in wb.active.iter_rows(values_only=True) for v in row if v is not None)\n"
                             "assert n == 100000, n\nprint(time.process_time() - t)\"", true);
}
BENCHMARK(BM_OpenpyxlReadOnly100kCells)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

}  // namespace
}  // namespace plumo
