// What the builder reads out of Steps for packaging, and the size lines it prints.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "scripts/step.h"

namespace plumo {

enum class PackagedKind { kNone, kImage, kData };

// Which files of the Step are packaged under the packaging bits: image Steps name them in
// `text`, "Read File" and "Copy File" in `value1`; kNone for other Steps.
PackagedKind PackagedFilesOf(const Step& step, int packagingBits);

// True when an image Step's expanded text is a colour or pattern rather than file names.
bool IsColourOrPattern(std::string_view list);

// Up to 8 names separated by ";" (a list with one "." is one name), trimmed; the first empty
// name ends the list.
std::vector<std::string> PackagedNames(std::string_view list);

// "    Embedded ..." lines, or "    No external files to embed".
std::vector<std::string> PackagingLines(int files, int linkedReferences, uint64_t packageBytes);

// "File Size: ..." for the finished output; nothing when the output is gone.
std::string OutputSizeLine(std::optional<uint64_t> size);

}  // namespace plumo
