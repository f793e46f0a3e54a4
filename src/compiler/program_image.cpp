#include "compiler/program_image.h"

#include <algorithm>
#include <cstring>

#include "base/option_block.h"
#include "base/version.h"

namespace plumo {
namespace {

constexpr uint8_t kScrambleKey[2] = {0x5A, 0xC3};
constexpr size_t kPeOffsetField = 0x3C;

// The usual header fields and real-mode stub, e_lfanew left 0.
constexpr uint8_t kDosHeaderStart[] = {
    'M',  'Z',  0x90, 0x00, 0x03, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00,
    0xB8, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x40, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
};
constexpr size_t kStubOffset = 0x40;
constexpr uint8_t kStubCode[] = {0x0E, 0x1F, 0xBA, 0x0E, 0x00, 0xB4, 0x09, 0xCD, 0x21, 0xB8, 0x01, 0x4C, 0xCD, 0x21};
constexpr char kStubText[] = "This program cannot be run in DOS mode.\r\r\n$";

// mov ah,9; mov dx,010Ah; int 21h; int 20h; nop: prints what follows, then exits.
constexpr uint8_t kDosPrintAndExit[] = {0xB4, 0x09, 0xBA, 0x0A, 0x01, 0xCD, 0x21, 0xCD, 0x20, 0x90};

}  // namespace

std::string StandardDosHeader() {
  std::string h(kDosHeaderSize, '\0');
  std::memcpy(h.data(), kDosHeaderStart, sizeof(kDosHeaderStart));
  std::memcpy(h.data() + kStubOffset, kStubCode, sizeof(kStubCode));
  std::memcpy(h.data() + kStubOffset + sizeof(kStubCode), kStubText, sizeof(kStubText) - 1);
  return h;
}

bool PutDosHeader(std::string& image) {
  const size_t pe = image.find(std::string_view("PE\0", 3));
  if (pe == std::string::npos) return false;
  const uint32_t at = static_cast<uint32_t>(pe + kDosHeaderSize);
  std::string header = StandardDosHeader();
  for (int i = 0; i < 4; ++i) header[kPeOffsetField + i] = static_cast<char>((at >> (8 * i)) & 0xFF);
  image.insert(0, header);
  return true;
}

void Scramble(std::string& block) {
  for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(block[i] ^ kScrambleKey[i & 1]);
}

bool MarkOptionBlock(std::string& image, bool singleInstance, int imageId) {
  // The tag with the version, not the tag alone: x64 code carries the tag's eight bytes as an
  // immediate operand wherever it is searched for, and marking those would patch code.
  std::string block(kOptionBlockTag);
  block += kVersionText;
  const size_t at = image.find(block);
  if (at == std::string::npos) return false;
  if (singleInstance) image[at] = '1';
  const std::string mark = "_" + std::to_string(imageId) + "_";
  image.replace(at + 1, mark.size(), mark);
  return true;
}

std::string DosMessageProgram(std::string_view text) {
  std::string program(reinterpret_cast<const char*>(kDosPrintAndExit), sizeof(kDosPrintAndExit));
  program += text;
  program += '$';
  return program;
}

std::array<uint16_t, 4> VersionNumbers(std::string_view version) {
  std::array<uint16_t, 4> numbers{};
  size_t part = 0, p = 0;
  while (part < numbers.size() && p <= version.size()) {
    size_t end = version.find('.', p);
    if (end == std::string_view::npos) end = version.size();
    std::string_view field = version.substr(p, end - p);
    size_t d = 0;
    while (d < field.size() && !(field[d] >= '0' && field[d] <= '9')) ++d;
    uint32_t n = 0;
    for (; d < field.size() && field[d] >= '0' && field[d] <= '9'; ++d) n = std::min<uint32_t>(n * 10 + (field[d] - '0'), 0xFFFF);
    numbers[part++] = static_cast<uint16_t>(n);
    p = end + 1;
  }
  return numbers;
}

}  // namespace plumo
