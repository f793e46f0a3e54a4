// Workbooks as Plumo's own .xlsx and .csv files, kept in memory while open and written
// whole, through a temporary file, on Save.
#pragma once

#include "actions/integration/workbooks/workbook_backend.h"
#include "platform/files.h"

namespace plumo {

class FileWorkbookApp : public WorkbookApp {
 public:
  explicit FileWorkbookApp(Files& files) : files_(files) {}
  std::string Create(const std::string& path, bool hidden, std::unique_ptr<OpenWorkbook>* out) override;
  std::string Open(const std::string& path, bool hidden, std::unique_ptr<OpenWorkbook>* out) override;

 private:
  Files& files_;
};

}  // namespace plumo
