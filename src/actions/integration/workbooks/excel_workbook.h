// Workbooks through Excel's automation object, late bound: the same actions as the file
// workbooks, carried out by Excel itself.
#pragma once

#include "actions/integration/workbooks/workbook_backend.h"
#include "platform/automation.h"

namespace plumo {

class ExcelWorkbookApp : public WorkbookApp {
 public:
  // `application` is Excel's Application object; alerts are switched off so that Save and
  // Close never wait for a user.
  explicit ExcelWorkbookApp(AutoObjectPtr application);
  std::string Create(const std::string& path, bool hidden, std::unique_ptr<OpenWorkbook>* out) override;
  std::string Open(const std::string& path, bool hidden, std::unique_ptr<OpenWorkbook>* out) override;

 private:
  std::string Show(const AutoObjectPtr& book, bool hidden);
  AutoObjectPtr app_;
};

// Excel's error values (#DIV/0! ...) by their code.
std::string ExcelErrorText(uint32_t code);

}  // namespace plumo
