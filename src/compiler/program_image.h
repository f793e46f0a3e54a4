// Byte work on program images: the DOS header the runtime images are stored without, the
// scrambling shared with the runtime, the option block, the 16-bit console shortcut.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace plumo {

inline constexpr size_t kDosHeaderSize = 128;

// The standard 128-byte header with its real-mode stub; e_lfanew is 0 until PutDosHeader.
std::string StandardDosHeader();

// Puts the header in front of an image stored without one and points it at the first
// "PE\0" of the result. False (image unchanged) when there is none.
bool PutDosHeader(std::string& image);

// Exclusive or with the two key bytes, even and odd offsets; its own inverse.
void Scramble(std::string& block);

// The first "~BUFFER~" with this version behind it: '1' first when single instance, then "_<id>_" over the next six
// characters. False (image unchanged) when the image carries no option block.
bool MarkOptionBlock(std::string& image, bool singleInstance, int imageId);

// A DOS program that prints the text and exits.
std::string DosMessageProgram(std::string_view text);

// Up to four numbers separated by "."; each the first run of digits of its part, 0 when none.
std::array<uint16_t, 4> VersionNumbers(std::string_view version);

}  // namespace plumo
