// A session with the Run actions over the engine's fakes; Steps of the Run category by name.
#pragma once

#include <map>
#include <set>

#include "actions/programs/program_actions.h"
#include "engine/flow_test_support.h"
#include "platform/libraries.h"

namespace plumo {

// Libraries that export the names the test gives them; every load and call is written down.
class FakeLibraries : public Libraries {
 public:
  class Lib : public Library {
   public:
    explicit Lib(const std::set<std::string>* names) : names_(names) {}
    void* Find(const std::string& name) override { return names_->count(name) ? const_cast<std::string*>(&*names_->find(name)) : nullptr; }
    bool Resident() override { return true; }

   private:
    const std::set<std::string>* names_;
  };
  std::unique_ptr<Library> Load(const std::string& name) override {
    loads.push_back(name);
    auto it = exports.find(name);
    return it == exports.end() ? nullptr : std::make_unique<Lib>(&it->second);
  }
  std::vector<std::string> SystemLibraries() override { return {"USER32.DLL", "KERNEL32.DLL"}; }
  NativeCallResult Call(void* function, const uintptr_t* args, int count) override {
    called = *static_cast<std::string*>(function);
    words.assign(args, args + count);
    NativeCallResult r;
    r.value = answer;
    return r;
  }
  std::string ErrorMessage(uint32_t code) override { return "error " + std::to_string(code); }

  std::map<std::string, std::set<std::string>> exports;
  std::vector<std::string> loads;
  std::string called;
  std::vector<uintptr_t> words;
  uint64_t answer = 0;
};

class ProgramsTest : public FlowTest {
 protected:
  explicit ProgramsTest(Libraries* libraries = nullptr) { RegisterProgramActions(session, libraries ? *libraries : fakeLibraries); }

  // One Run Step; its output goes to %out.
  int RunStep(const std::string& action, const std::string& text, const std::string& options = "",
              const std::string& value1 = "", const std::string& timeout = "") {
    Step step = MakeStep(action, action == "Windows API" ? 16 : 2, text);
    step.options = options;
    step.value1 = value1;
    step.timeout = timeout;
    step.output = "Variable";
    step.outputValue = "%out";
    Load({step});
    Run();
    return StepAt(0).ranFlag;
  }

  FakeLibraries fakeLibraries;
};

}  // namespace plumo
