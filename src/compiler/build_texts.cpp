#include "compiler/build_texts.h"

#include <algorithm>

#include "base/text.h"
#include "compiler/build_request.h"

namespace plumo {
namespace {

constexpr std::string_view kImageActions[] = {"Display Image", "Move to Image", "Click on Image", "Wait for Image",
                                              "IF Image is Visible"};
constexpr std::string_view kDataActions[] = {"Read File", "Copy File"};
constexpr size_t kMaxNames = 8;
constexpr uint64_t kKilobyte = 1024;
constexpr uint64_t kMegabyte = 1024 * 1024;

template <size_t N>
bool ContainsAny(std::string_view action, const std::string_view (&words)[N]) {
  return std::any_of(std::begin(words), std::end(words), [&](std::string_view w) { return ContainsNoCase(action, w); });
}

std::string Plural(int n) { return n == 1 ? "" : "s"; }

}  // namespace

PackagedKind PackagedFilesOf(const Step& step, int bits) {
  if ((bits & packaging::kImageFiles) && ContainsAny(step.action, kImageActions)) return PackagedKind::kImage;
  if ((bits & packaging::kDataFiles) && ContainsAny(step.action, kDataActions)) return PackagedKind::kData;
  return PackagedKind::kNone;
}

bool IsColourOrPattern(std::string_view list) {
  if (list.find('.') != std::string_view::npos || list.find('\\') != std::string_view::npos) return false;
  return (list.size() > 3 && list[3] == ',') || list.find('*') != std::string_view::npos;
}

std::vector<std::string> PackagedNames(std::string_view list) {
  std::vector<std::string> names;
  if (list.find(';') != std::string_view::npos && std::count(list.begin(), list.end(), '.') == 1) {
    std::string_view one = Trim(list);
    if (!one.empty()) names.emplace_back(one);
    return names;
  }
  size_t p = 0;
  while (names.size() < kMaxNames && p <= list.size()) {
    size_t end = std::min(list.find(';', p), list.size());
    std::string_view name = Trim(list.substr(p, end - p));
    if (name.empty()) break;
    names.emplace_back(name);
    p = end + 1;
  }
  return names;
}

std::vector<std::string> PackagingLines(int files, int linked, uint64_t bytes) {
  if (files == 0 && linked == 0) return {"    No external files to embed"};
  std::vector<std::string> lines;
  lines.push_back("    Embedded " + std::to_string(files) + " external file" + Plural(files));
  if (linked > 0)
    lines.push_back("    Embedded " + std::to_string(linked) + " external file" + Plural(linked) +
                    " as linked reference" + Plural(linked));
  lines.push_back(bytes <= kMegabyte ? "    Total Embedded Package Size: " + std::to_string(bytes / kKilobyte) + "k"
                                     : "    Total Embedded Package Size: " + std::to_string(bytes / kMegabyte) + " MB");
  return lines;
}

std::string OutputSizeLine(std::optional<uint64_t> size) {
  if (!size) return "The output file was deleted or blocked.  This may be due to a anti-virus program or other process.";
  if (*size >= kMegabyte) return "File Size: " + std::to_string(*size / kMegabyte) + " MB";
  return "File Size: " + std::to_string(*size / kKilobyte) + "k";
}

}  // namespace plumo
