// The ZIP container of workbook files: a reader that checks every offset and length against
// the archive and caps what inflating may produce, and a writer of deflated entries.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace plumo {

// No entry of a workbook comes near this; a larger one is refused rather than allocated.
constexpr uint64_t kZipEntryLimit = 256u << 20;

class ZipReader {
 public:
  struct Entry {
    std::string name;
    uint16_t method = 0;
    uint32_t crc = 0;
    uint64_t packedSize = 0;
    uint64_t size = 0;
    uint64_t dataOffset = 0;
  };

  // Reads the central directory; false with the reason in *error when the bytes are no ZIP
  // archive this reader can take (spanned, encrypted, ZIP64, damaged).
  bool Open(std::string_view archive, std::string* error);
  const std::vector<Entry>& entries() const { return entries_; }
  // Null when there is no entry of that name (compared exactly, then without regard to case).
  const Entry* Find(std::string_view name) const;
  // The entry's bytes, checked against its CRC; false with the reason in *error.
  bool Extract(const Entry& entry, std::string* out, std::string* error) const;

 private:
  std::string_view archive_;
  std::vector<Entry> entries_;
};

class ZipWriter {
 public:
  // Deflates `data` as entry `name` at the given zlib level (1 fastest, 9 smallest); false
  // when the entry or the archive grows beyond what the plain ZIP form can hold.
  bool Add(std::string_view name, std::string_view data, int level = 6);
  // The whole archive; the writer is empty afterwards.
  std::string Finish();

 private:
  struct Central {
    std::string name;
    uint32_t crc;
    uint32_t packedSize;
    uint32_t size;
    uint32_t offset;
  };
  std::string out_;
  std::vector<Central> central_;
};

}  // namespace plumo
