// A formula engine over fakes: English locale, a clock on Monday 7 December 2026 10:30:15,
// a desktop, dialogs, files and system that tests arrange.
#pragma once

#include <string>

#include "fakes/fake_clock.h"
#include "fakes/fake_desktop.h"
#include "fakes/fake_dialogs.h"
#include "fakes/fake_files.h"
#include "fakes/fake_locale.h"
#include "fakes/fake_system.h"
#include "vars/formula.h"

namespace plumo {

struct FormulaWorld {
  FakeLocale locale;
  FakeClock clock;
  FakeDesktop desktop;
  FakeDialogs dialogs;
  FakeFiles files;
  FakeSystem system;
  FormulaHost host{locale, clock, desktop, dialogs, files, system};
  FormulaEngine engine{host};

  // The text result of a formula.
  std::string Text(std::string_view formula) {
    std::string out;
    engine.Evaluate(formula, &out);
    return out;
  }
};

}  // namespace plumo
