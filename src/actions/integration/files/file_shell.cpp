// The Files & Folders actions that reach the shell: file associations, network drives,
// shortcuts, and PDF documents made of text.
#include <charconv>

#include "actions/integration/files/file_actions.h"
#include "actions/integration/files/file_helpers.h"
#include "base/text.h"
#include "engine/run_log.h"
#include "engine/session.h"
#include "vars/pdf_writer.h"

namespace plumo {
namespace {

constexpr double kPointsPerInch = 72;
constexpr uint64_t kMaxPdfText = 64ull << 20;

int SetFileAssociation(ActionContext& c) {
  const std::string program(Trim(c.Expand(c.step.value1)));
  std::string extension(Trim(c.Expand(c.step.value2)));
  const std::string icon(Trim(c.Expand(c.step.value3)));
  while (!extension.empty() && extension[0] == '.') extension.erase(0, 1);
  if (program.empty()) return c.Fail("No EXE Program given");
  if (extension.empty() || extension.find_first_of("\\/ ") != std::string::npos) return c.Fail("No Extension given");
  if (c.session.files().Kind(program) != PathKind::kFile) return c.Fail("Program '" + program + "' does not exist");
  const std::optional<int64_t> iconIndex = icon.empty() ? std::optional<int64_t>(0) : WholeNumber(icon);
  if (!iconIndex) return c.Fail("Icon Index must be a number");
  // The user's own classes, which Windows lays over the machine's and which need no rights
  // beyond the user's.
  const std::string type = extension + "_auto_file";
  const std::string classes = "Software\\Classes\\";
  const std::pair<std::string, std::string> values[] = {
      {classes + "." + extension, type},
      {classes + type + "\\shell\\open\\command", "\"" + program + "\" \"%1\""},
      {classes + type + "\\DefaultIcon", program + "," + std::to_string(*iconIndex)},
  };
  for (const auto& [key, value] : values)
    if (OsError e = c.session.registry().WriteValue(RegRoot::kCurrentUser, key, "", RegValue::Text(value)); !e)
      return c.Fail("Unable to write the association", "HKEY_CURRENT_USER\\" + key, e);
  return result::kSuccess;
}

int MapDrive(ActionContext& c) {
  std::string letter(Trim(c.Expand(c.step.text)));
  const std::string share(Trim(c.Expand(c.step.value1)));
  if (letter.size() == 1) letter += ":";
  if (share.empty()) return c.Fail("No network share given");
  OsError e = c.session.system().MapDrive(letter, share, c.Expand(c.step.value2), c.Expand(c.step.value3));
  if (!e) return c.Fail("Unable to map drive " + letter + " to", share, e);
  return result::kSuccess;
}

int MapDrivePrompt(ActionContext& c) {
  OsError e = c.session.system().MapDrivePrompt();
  if (e.code() == oscode::kCancelled) return c.Fail("The Map Drive dialog was cancelled");
  if (!e) return c.Fail("The Map Drive dialog failed: " + e.message());
  return result::kSuccess;
}

struct ShowWord {
  std::string_view word;
  int show;
};
constexpr ShowWord kShowWords[] = {{"Normal", 1}, {"Minimized", 7}, {"Maximized", 3}};

int CreateShortcut(ActionContext& c) {
  Shortcut link;
  link.target = Trim(c.Expand(c.step.value1));
  std::string name(Trim(c.Expand(c.step.value2)));
  link.description = c.Expand(c.step.value3);
  link.workingFolder = Trim(c.Expand(c.step.value4));
  link.arguments = c.Expand(c.step.value5);
  const std::string show(Trim(c.Expand(c.step.value6)));
  for (const ShowWord& w : kShowWords)
    if (EqualsNoCase(show, w.word)) link.show = w.show;
  if (link.target.empty()) return c.Fail("No Program/Document to Link given");
  if (name.empty()) name = std::string(NamePart(link.target));
  for (std::string_view extension : {".lnk", ".desktop"})
    if (EndsWithNoCase(name, extension)) name.resize(name.size() - extension.size());
  std::string folder;
  Environment& environment = c.session.environment();
  if (c.Option("Start Menu")) {
    folder = environment.StartMenuFolder();
    if (folder.empty()) return c.Fail("This system has no Start Menu folder");
  } else if (c.Option("Desktop") || FolderPart(name).empty()) {
    folder = environment.DesktopFolder();
    if (folder.empty()) return c.Fail("This system has no Desktop folder");
  }
  std::string made;
  if (OsError e = c.session.files().CreateShortcut(folder.empty() ? name : Joined(folder, name), link, &made); !e)
    return c.Fail("Unable to create the shortcut", made, e);
  LogLine(c.session, "    Created the shortcut '" + made + "'");
  return result::kSuccess;
}

// A decimal field of the PDF Step; its default when empty.
std::optional<double> Decimal(const std::string& text, double otherwise) {
  const std::string_view t = Trim(text);
  if (t.empty()) return otherwise;
  double v = 0;
  const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
  if (ec != std::errc() || end != t.data() + t.size() || !(v >= 0)) return std::nullopt;
  return v;
}

int CreatePdf(ActionContext& c) {
  const std::string path(Trim(c.Expand(c.step.value1)));
  if (path.empty()) return c.Fail("No PDF File Name given");
  std::string text = c.Expand(c.step.text, c.Option("No Variable Expansion") ? expandflag::kNone : 0);
  // With "Include Contents" a text that names a file stands for what the file holds.
  Files& files = c.session.files();
  const std::string named(Trim(text));
  if (c.Option("Contents") && !named.empty() && named.find_first_of("\r\n") == std::string::npos &&
      files.Kind(named) == PathKind::kFile) {
    if (files.FileSize(named).value_or(0) > kMaxPdfText) return c.Fail("'" + named + "' is too large for a PDF of text");
    bool opened = false;
    if (OsError e = files.ReadFile(named, &text, &opened); !e) return c.Fail("Unable to read file", named, e);
  }
  PdfLayout layout;
  layout.font = PdfFontFor(Trim(c.Expand(c.step.value2)));
  struct Field {
    const Text260& field;
    double otherwise, scale;
    double* into;
    std::string_view label;
  };
  const Field fields[] = {
      {c.step.value3, 12, 1, &layout.fontSize, "Font Size"},
      {c.step.value4, 1, kPointsPerInch, &layout.leftMargin, "Left Margin (inches)"},
      {c.step.value5, 0.75, kPointsPerInch, &layout.topMargin, "Top Margin (inches)"},
      {c.step.value6, 8.5, kPointsPerInch, &layout.pageWidth, "Page Width (inches)"},
      {c.step.value7, 11, kPointsPerInch, &layout.pageHeight, "Page Height (inches)"},
  };
  for (const Field& f : fields) {
    const std::string value = c.Expand(f.field);
    const std::optional<double> v = Decimal(value, f.otherwise);
    if (!v) return c.Fail("\"" + value + "\" is no number for " + std::string(f.label));
    *f.into = *v * f.scale;
  }
  if (layout.fontSize < 1 || layout.fontSize > 1000) return c.Fail("Font Size must lie between 1 and 1000");
  if (layout.pageWidth > 200 * kPointsPerInch || layout.pageHeight > 200 * kPointsPerInch)
    return c.Fail("A page is at most 200 inches wide and high");
  if (2 * layout.leftMargin + layout.fontSize >= layout.pageWidth || 2 * layout.topMargin + layout.fontSize >= layout.pageHeight)
    return c.Fail("The margins leave no room for text on the page");
  layout.wrap = c.Option("Wrap");
  layout.pageNumbers = c.Option("PageNum");
  layout.lineNumbers = c.Option("LineNum");
  bool created = false;
  if (OsError e = files.ReplaceContent(path, PdfDocument(text, layout), &created); !e)
    return c.Fail("Unable to write file", path, e);
  return result::kSuccess;
}

constexpr ActionRow kShellRows[] = {
    {"Set File Association", SetFileAssociation}, {"Map Drive", MapDrive},
    {"Map Drive Prompt", MapDrivePrompt},         {"Create Shortcut", CreateShortcut},
    {"Create Adobe PDF", CreatePdf},
};

}  // namespace

std::span<const ActionRow> FileShellRows() { return kShellRows; }

}  // namespace plumo
