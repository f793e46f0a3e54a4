// INI files that tell a careful reader from a careless one, with what the Windows profile
// functions read from them. The native tests check IniText against the expected values; under
// Wine the same files are read by GetPrivateProfileString as well.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace plumo {

struct IniCase {
  std::string_view name;
  std::string file;
  std::string_view section, key;
  std::string value;  // what is read
  bool absent = false;
};

inline std::vector<IniCase> IniReadCases() {
  return {
      {"no final line end", "[A]\r\nkey=value", "A", "key", "value"},
      {"duplicate keys: the first", "[A]\r\nk=1\r\nk=2\r\n", "A", "k", "1"},
      {"spaces around the equals sign", "[A]\r\n  k  =  v v  \r\n", "A", "k", "v v"},
      {"tabs around everything", "\t[A]\t\r\n\tk\t=\tv\t\r\n", "A", "k", "v"},
      {"a comment line is no key", "[A]\r\n;k=1\r\nk=2\r\n", "A", "k", "2"},
      {"text after the value stays", "[A]\r\nk=v ; not a comment\r\n", "A", "k", "v ; not a comment"},
      {"double quotes go", "[A]\r\nk=\"quoted \"\r\n", "A", "k", "quoted "},
      {"single quotes go", "[A]\r\nk='single'\r\n", "A", "k", "single"},
      {"one quote stays", "[A]\r\nk=\"half\r\n", "A", "k", "\"half"},
      {"names without regard to case", "[Sec]\r\nKey=1\r\n", "sEC", "kEY", "1"},
      {"line feeds alone", "[A]\nk=v\n", "A", "k", "v"},
      {"a key without a value", "[A]\r\nk=\r\n", "A", "k", ""},
      {"an equals sign in the value", "[A]\r\nk=a=b\r\n", "A", "k", "a=b"},
      {"keys before any section", "k=1\r\n[A]\r\nk=2\r\n", "A", "k", "2"},
      {"blanks inside the brackets", "[ Sec ]\r\nk=1\r\n", "Sec", "k", "1"},
      {"a duplicate section: the first", "[A]\r\nx=1\r\n[A]\r\ny=2\r\n", "A", "y", "", true},
      {"a key without an equals sign has no value", "[A]\r\nlonely\r\n", "A", "lonely", "", true},
      {"a missing key", "[A]\r\nk=1\r\n", "A", "other", "", true},
      {"a missing section", "[A]\r\nk=1\r\n", "B", "k", "", true},
      {"a key of the next section", "[A]\r\nx=1\r\n[B]\r\nk=2\r\n", "A", "k", "", true},
      {"a 1 MB value", "[Big]\r\nv=" + std::string(1 << 20, 'x') + "\r\nafter=1\r\n", "Big", "v",
       std::string(1 << 20, 'x')},
  };
}

}  // namespace plumo
