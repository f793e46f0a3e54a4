// Behaviour every implementation of a port interface shares. Each implementation is
// instantiated against these suites: the in-memory ones here, the native ones per platform.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <ostream>
#include <string>

#include "platform/clock.h"
#include "platform/environment.h"
#include "platform/files.h"
#include "platform/locale.h"
#include "platform/main_queue.h"
#include "platform/registry.h"
#include "platform/system.h"

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
    (void)reg_->DeleteKeyTree(RegRoot::kCurrentUser, kBase);  // absent on a fresh registry
  }
  void TearDown() override { (void)reg_->DeleteKeyTree(RegRoot::kCurrentUser, kBase); }

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
class LocaleConformance : public testing::TestWithParam<PortFactory<Locale>> {};
class SystemConformance : public testing::TestWithParam<PortFactory<System>> {};

// Files against a folder the factory lays out: "<root>a.txt" of 5 bytes, "<root>b.log" of
// none, and the folder "<root>sub". root ends with the separator.
struct FilesSetup {
  std::string name;
  std::function<std::unique_ptr<Files>(std::string* root)> make;
};
inline void PrintTo(const FilesSetup& s, std::ostream* os) { *os << s.name; }
inline std::string FilesSetupName(const testing::TestParamInfo<FilesSetup>& info) { return info.param.name; }
class FilesConformance : public testing::TestWithParam<FilesSetup> {};

// Lays that folder out under the temporary folder for the native implementations, one folder
// per test, so that tests running side by side do not share it.
inline std::string LayOutFilesFolder(const std::string& name) {
  namespace fs = std::filesystem;
  std::string test = testing::UnitTest::GetInstance()->current_test_info()->name();
  for (char& c : test)
    if (c == '/') c = '_';
  fs::path root = fs::temp_directory_path() / ("plumo_files_" + name + "_" + test);
  fs::remove_all(root);
  fs::create_directories(root / "sub");
  std::ofstream(root / "a.txt", std::ios::binary) << "12345";
  std::ofstream(root / "b.log", std::ios::binary);
  return (root / "").string();
}

}  // namespace plumo
