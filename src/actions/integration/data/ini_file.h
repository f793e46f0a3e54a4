// INI files read and changed the way the Windows profile functions do: sections and keys
// found without regard to case, names and values trimmed, matching quotes around a value
// removed, the first of duplicate sections and keys used. A change rewrites only the lines
// it concerns and keeps every other byte (comments, blank lines, line ends) as it was.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace plumo {

class IniText {
 public:
  explicit IniText(std::string text = {});

  const std::string& text() const { return text_; }

  // The value as GetPrivateProfileString gives it; nullopt when the section or key is absent.
  std::optional<std::string> Read(std::string_view section, std::string_view key) const;
  bool HasSection(std::string_view section) const;
  std::vector<std::string> Sections() const;
  // The key names of the section that Read finds, each once; empty when it is absent.
  std::vector<std::string> Keys(std::string_view section) const;

  // Names and values may not hold line breaks, nor a key name "=": nullopt when they are
  // fine, else the reason.
  static std::optional<std::string> CheckWrite(std::string_view section, std::string_view key,
                                               std::string_view value);
  // Sets the key's value, adding the key at the end of its section or the section at the
  // end of the text. Check the names first.
  void Write(std::string_view section, std::string_view key, std::string_view value);
  // False when there was nothing to delete.
  bool DeleteKey(std::string_view section, std::string_view key);
  bool DeleteSection(std::string_view section);

 private:
  struct Line {
    size_t begin = 0;    // first byte of the line
    size_t end = 0;      // the line end's first byte
    size_t next = 0;     // the next line's first byte
    bool blank = false;
    bool section = false;
    bool key = false;    // a key line (with or without '='), not a comment
    bool hasValue = false;  // it has '='
    std::string_view name;   // section or key name, trimmed
    std::string_view value;  // after '=', trimmed
  };
  void Parse();
  // The header line of the first section of that name, or npos; *end gets the index of the
  // line after its last line.
  size_t FindSection(std::string_view section, size_t* end) const;
  size_t FindKey(size_t header, size_t end, std::string_view key) const;
  std::string_view LineEnd() const;

  std::string text_;
  std::vector<Line> lines_;
};

}  // namespace plumo
