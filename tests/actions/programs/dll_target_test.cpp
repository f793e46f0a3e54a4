// Real calls into the library built beside the tests, whose functions check what they receive.
#include <string>

#include "actions/programs/dll_call.h"
#include "programs_test_support.h"

namespace plumo {

std::unique_ptr<Libraries> NativeLibraries();  // by platform

namespace {

class DllTargetTest : public ProgramsTest {
 protected:
  DllCallOutcome Call(const std::string& text, const std::string& library = DLL_TARGET) {
    DllArgumentHost host;
    host.variable = [](std::string_view) { return std::string(); };
    host.expand = host.evaluate = host.constant = [](std::string_view t) { return std::string(t); };
    return CallDllFunction(session, *libraries, library, ParseDllCall(text, host));
  }
  std::unique_ptr<Libraries> libraries = NativeLibraries();
};

TEST_F(DllTargetTest, EveryArgumentArrivesInBothConventions) {
  for (const char* prefix : {"StdArgs", "CArgs"}) {
    std::string args;
    for (int n = 0; n <= 10; ++n) {
      const DllCallOutcome out = Call(prefix + std::to_string(n) + "(" + args + ")");
      ASSERT_TRUE(out.called) << out.error;
      EXPECT_EQ(out.value, 1000 + n) << prefix << n;
      if (out.calleePopped >= 0) {  // 32-bit x86: which convention the call saw
        EXPECT_EQ(out.calleePopped, std::string(prefix) == "StdArgs" ? 4 * n : 0) << prefix << n;
      }
      args += (n ? ", " : "") + std::to_string(3 * (n + 1) + 1);
    }
  }
}

TEST_F(DllTargetTest, TextBuffersComeBackAndErrorsAreRead) {
  DllCallOutcome out = Call("FillText( \"\" )");
  ASSERT_TRUE(out.called) << out.error;
  EXPECT_EQ(out.value, 12);
  EXPECT_EQ(out.after, std::vector<std::string>{"written back"});
  EXPECT_EQ(Call("TextLength( \"abcde\" )").value, 5);
  out = Call("Refuse()");
  EXPECT_EQ(out.value, 0);
  EXPECT_FALSE(out.lastError.empty());
  EXPECT_EQ(Call("NotExported()").error, "The function call \"NotExported\" could not be located");
  EXPECT_EQ(Call("Missing()", "no_such_library.dll").error, "The function call \"Missing\" could not be located");
}

// A callee that faults, or an address with no function behind it, fails that call alone.
TEST_F(DllTargetTest, AFaultAbandonsTheCallAndLaterCallsWork) {
  const struct {
    const char* call;
    const char* says;
  } kCrashes[] = {{"FillText( NULL )", "address 0x0"}, {"FillText( 12345 )", "address 0x3039"}};
  for (const auto& crash : kCrashes) {
    const DllCallOutcome out = Call(crash.call);
    EXPECT_FALSE(out.called) << crash.call;
    EXPECT_NE(out.error.find("\"FillText\" crashed ("), std::string::npos) << out.error;
    EXPECT_NE(out.error.find(crash.says), std::string::npos) << out.error;
    EXPECT_EQ(Call("TextLength( \"abc\" )").value, 3);
  }
  const NativeCallResult bad = libraries->Call(reinterpret_cast<void*>(uintptr_t{16}), nullptr, 0);
  EXPECT_NE(bad.fault.find("0x10"), std::string::npos) << bad.fault;
  EXPECT_EQ(Call("TextLength( \"abcd\" )").value, 4);
}

}  // namespace
}  // namespace plumo
