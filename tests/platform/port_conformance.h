// Behaviour every implementation of a port interface shares. Each implementation is
// instantiated against these suites: the in-memory ones here, the native ones per platform.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>
#include <string>

#include "platform/clock.h"
#include "platform/environment.h"
#include "platform/main_queue.h"
#include "platform/registry.h"

namespace plumo {

template <typename T>
struct PortFactory {
  std::string name;
  std::function<std::unique_ptr<T>()> make;
};

template <typename T>
void PrintTo(const PortFactory<T>& factory, std::ostream* os) {
  *os << factory.name;
}

template <typename T>
std::string PortName(const testing::TestParamInfo<PortFactory<T>>& info) {
  return info.param.name;
}

// Works below HKEY_CURRENT_USER\Software\PlumoPortTest, removed before and after each test.
class RegistryConformance : public testing::TestWithParam<PortFactory<Registry>> {
 public:
  static inline const std::string kBase = "Software\\PlumoPortTest";

 protected:
  void SetUp() override {
    reg_ = GetParam().make();
    reg_->DeleteKeyTree(RegRoot::kCurrentUser, kBase);
  }
  void TearDown() override { reg_->DeleteKeyTree(RegRoot::kCurrentUser, kBase); }

  RegValue Read(const std::string& key, const std::string& name) {
    RegValue v;
    OsError e = reg_->ReadValue(RegRoot::kCurrentUser, key, name, &v);
    EXPECT_TRUE(e.ok()) << e.ToString();
    return v;
  }

  std::unique_ptr<Registry> reg_;
};
class EnvironmentConformance : public testing::TestWithParam<PortFactory<Environment>> {};
class MainQueueConformance : public testing::TestWithParam<PortFactory<MainQueue>> {};
class ClockConformance : public testing::TestWithParam<PortFactory<Clock>> {};

}  // namespace plumo
