#include "runtime/program_script.h"

#include <gtest/gtest.h>

#include "compiler/program_image.h"
#include "fakes/fake_environment.h"
#include "fakes/fake_files.h"
#include "platform/memory/memory_resources.h"
#include "scripts/packed.h"
#include "scripts/pe_resources.h"
#include "scripts/shipped_catalog.h"

namespace plumo {
namespace {

const ActionCatalog& Catalog() {
  static const ActionCatalog catalog = ActionCatalog::FromResource(ShippedCatalogBytes());
  return catalog;
}

constexpr char kProgram[] = "C:\\Apps\\prog.exe";

std::string StepXml(const std::string& action, const std::string& fields = "") {
  return "<step>\r\n\t<action>" + action + "</action>\r\n" + fields + "</step>\r\n";
}

std::string ScriptXml(const std::string& steps) { return "<Plumo>\r\n" + steps + "</Plumo>"; }

const std::string kTwoSteps = ScriptXml(StepXml("Comment") + StepXml("Set Variable", "\t<text>x</text>\r\n"));

std::string Packed(const std::string& text) { return Pack(text).value(); }

std::string LittleEndian(uint32_t v) {
  std::string s(4, '\0');
  for (int i = 0; i < 4; ++i) s[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  return s;
}

// A program file with the Script as the builder appends it when it encrypts.
std::string WithTrailer(const std::string& image, std::string block) {
  const uint32_t length = static_cast<uint32_t>(block.size());
  Scramble(block);
  return image + block + LittleEndian(length);
}

const std::string kImage = "MZ" + std::string(300, '\x90');

struct SourceCase {
  const char* name;
  std::optional<std::string> resource;  // resource 9002
  std::string file;                     // the program file
  size_t steps;                         // when it loads
  const char* error;                    // a part of the message when it does not
};

TEST(ProgramScriptTest, FindsTheScriptInTheResourceOrTheTrailer) {
  const std::string packed = Packed(kTwoSteps);
  const std::string garbage("\x37\x91\x02\x00\x00\xFF\xFF\xFF\xFF\x12\x34", 11);
  const SourceCase cases[] = {
      {"resource", packed, kImage, 2, nullptr},
      {"resource wins over a trailer", packed, WithTrailer(kImage, Packed(ScriptXml(StepXml("Comment")))), 2, nullptr},
      {"trailer", std::nullopt, WithTrailer(kImage, packed), 2, nullptr},
      {"empty resource falls back to the trailer", std::string(), WithTrailer(kImage, packed), 2, nullptr},
      {"plain text resource", "\r\n" + kTwoSteps, kImage, 2, nullptr},
      {"empty Script", Packed(ScriptXml("")), kImage, 0, nullptr},
      {"neither", std::nullopt, kImage, 0, "does not fit"},
      {"length beyond the file", std::nullopt, kImage + packed + LittleEndian(static_cast<uint32_t>(kImage.size() + packed.size() + 1)), 0, "does not fit"},
      {"length of 4 GB", std::nullopt, kImage + LittleEndian(0xFFFFFFFFu), 0, "does not fit"},
      {"length shorter than a block", std::nullopt, kImage + LittleEndian(2), 0, "does not fit"},
      {"file shorter than the length", std::nullopt, "MZ", 0, "no Script"},
      {"empty file", std::nullopt, "", 0, "no Script"},
      {"garbage resource", garbage, kImage, 0, "no Script"},
      {"garbage trailer", std::nullopt, WithTrailer(kImage, garbage), 0, "no Script"},
      {"block announcing 4 GB", std::string("\xFF\xFF\xFF\xFF\x04\x00\x00", 7), kImage, 0, "damaged"},
      {"trailer cut short", std::nullopt, WithTrailer(kImage, packed.substr(0, packed.size() / 2)), 0, "damaged"},
      {"no Script in the block", Packed("just some text, no root element"), kImage, 0, "no Script"},
  };
  for (const SourceCase& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryResources resources;
    resources.Add("", 9001, "catalogue");  // the program's module exists
    if (c.resource) resources.Add("", kCompiledScriptResource, *c.resource);
    FakeFiles files;
    files.Put(kProgram, c.file);
    FakeEnvironment environment;
    ProgramPorts ports{resources, files, environment};
    Script script;
    std::string error;
    const bool ok = OpenProgramScript(ports, ProgramModule{"", kProgram}, Catalog(), script, &error);
    if (c.error) {
      EXPECT_FALSE(ok);
      EXPECT_NE(error.find(c.error), std::string::npos) << error;
    } else {
      ASSERT_TRUE(ok) << error;
      EXPECT_EQ(script.steps.size(), c.steps);
      EXPECT_EQ(script.path, kProgram);
    }
  }
}

TEST(ProgramScriptTest, AnUnreadableProgramFileIsTold) {
  MemoryResources resources;
  FakeFiles files;
  FakeEnvironment environment;
  ProgramPorts ports{resources, files, environment};
  Script script;
  std::string error;
  EXPECT_FALSE(OpenProgramScript(ports, ProgramModule{"", kProgram}, Catalog(), script, &error));
  EXPECT_NE(error.find("Unable to read the program file 'C:\\Apps\\prog.exe'"), std::string::npos) << error;
}

TEST(ProgramScriptTest, ReadsEmbeddedIdsUpToTheFirstZero) {
  const std::string text = ScriptXml(
      StepXml("Read File", "\t<embedded_ID_1>2000</embedded_ID_1>\r\n\t<embedded_ID_2>2003</embedded_ID_2>\r\n"
                           "\t<embedded_ID_3>0</embedded_ID_3>\r\n\t<embedded_ID_4>2009</embedded_ID_4>\r\n") +
      StepXml("Comment"));
  Script script;
  std::string error;
  ASSERT_TRUE(LoadProgramScript(text, Catalog(), script, &error)) << error;
  ASSERT_EQ(script.steps.size(), 2u);
  EXPECT_EQ(script.steps[0].embeddedIds, (std::array<int32_t, 8>{2000, 2003, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(script.steps[1].embeddedIds, (std::array<int32_t, 8>{}));
}

class PackagedFilesTest : public testing::Test {
 protected:
  void SetUp() override {
    files_.AddFolder("C:\\Temp");
    files_.Put(kProgram, kImage);
    resources_.Add("", 2000, "picture bytes");
    resources_.Add("", 2001, "first data");
    resources_.Add("", 2002, "second data");
  }
  Step With(const std::string& action, std::initializer_list<int32_t> ids) {
    Step s;
    s.action = action;
    size_t n = 0;
    for (int32_t id : ids) s.embeddedIds[n++] = id;
    return s;
  }
  bool Extract(Script& script, std::string* error) {
    ProgramPorts ports{resources_, files_, environment_};
    return ExtractPackagedFiles(ports, ProgramModule{"", kProgram}, script, error);
  }

  MemoryResources resources_;
  FakeFiles files_;
  FakeEnvironment environment_;
};

TEST_F(PackagedFilesTest, StepsNameTheExtractedCopiesInPlaceOfTheirFiles) {
  Script script;
  script.steps.push_back(With("Click on Image", {2000}));
  script.steps.back().text = "%pics%\\logo.bmp";
  script.steps.push_back(With("Read File", {2001, 2002}));
  script.steps.back().value1 = "C:\\in\\a.txt; C:\\in\\b.txt;C:\\in\\c.txt";  // c.txt was not packaged
  script.steps.push_back(With("Copy File", {2001}));  // a linked reference
  script.steps.back().value1 = "C:\\in\\a.txt";
  script.steps.back().value2 = "C:\\out\\a.txt";
  script.steps.push_back(With("Write to Output", {2000}));  // names no files
  script.steps.back().text = "logo.bmp";
  std::string error;
  ASSERT_TRUE(Extract(script, &error)) << error;

  EXPECT_EQ(script.steps[0].text, "C:\\Temp\\prog_2000_logo.bmp");
  EXPECT_EQ(script.steps[1].value1.str(), "C:\\Temp\\prog_2001_a.txt;C:\\Temp\\prog_2002_b.txt;C:\\in\\c.txt");
  EXPECT_EQ(script.steps[2].value1.str(), "C:\\Temp\\prog_2001_a.txt");
  EXPECT_EQ(script.steps[2].value2.str(), "C:\\out\\a.txt");
  EXPECT_EQ(script.steps[3].text, "logo.bmp");
  EXPECT_EQ(files_.Content("C:\\Temp\\prog_2000_logo.bmp"), "picture bytes");
  EXPECT_EQ(files_.Content("C:\\Temp\\prog_2001_a.txt"), "first data");
  EXPECT_EQ(files_.Content("C:\\Temp\\prog_2002_b.txt"), "second data");
}

TEST_F(PackagedFilesTest, AMissingResourceOrAFailedWriteStopsWithAMessage) {
  Script missing;
  missing.steps.push_back(With("Read File", {2007}));
  missing.steps.back().value1 = "a.txt";
  std::string error;
  EXPECT_FALSE(Extract(missing, &error));
  EXPECT_NE(error.find("packaged file 2007 is missing"), std::string::npos) << error;

  Script unwritable;
  unwritable.steps.push_back(With("Read File", {2001}));
  unwritable.steps.back().value1 = "a.txt";
  files_.FailNextWrite();
  error.clear();
  EXPECT_FALSE(Extract(unwritable, &error));
  EXPECT_NE(error.find("Unable to write the packaged file 'C:\\Temp\\prog_2001_a.txt'"), std::string::npos) << error;
  EXPECT_EQ(unwritable.steps[0].value1.str(), "a.txt");
}

}  // namespace
}  // namespace plumo
