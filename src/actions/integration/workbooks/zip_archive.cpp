#include "actions/integration/workbooks/zip_archive.h"

#include <zlib.h>

#include <cstring>

#include "base/text.h"

namespace plumo {
namespace {

constexpr uint32_t kLocalSignature = 0x04034b50;
constexpr uint32_t kCentralSignature = 0x02014b50;
constexpr uint32_t kEndSignature = 0x06054b50;
constexpr size_t kLocalHeaderSize = 30;
constexpr size_t kCentralHeaderSize = 46;
constexpr size_t kEndSize = 22;
constexpr uint16_t kStored = 0;
constexpr uint16_t kDeflated = 8;
// 1 January 2000, 00:00, in DOS date and time: files written here carry no clock.
constexpr uint16_t kDosDate = (20 << 9) | (1 << 5) | 1;

uint16_t Get16(std::string_view s, size_t at) {
  return static_cast<uint16_t>(static_cast<unsigned char>(s[at]) | static_cast<unsigned char>(s[at + 1]) << 8);
}
uint32_t Get32(std::string_view s, size_t at) { return Get16(s, at) | static_cast<uint32_t>(Get16(s, at + 2)) << 16; }

void Put16(std::string& out, uint32_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void Put32(std::string& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

bool Fail(std::string* error, const char* reason) {
  if (error) *error = reason;
  return false;
}

}  // namespace

bool ZipReader::Open(std::string_view archive, std::string* error) {
  archive_ = archive;
  entries_.clear();
  if (archive.size() < kEndSize) return Fail(error, "the file is too short to be a workbook");
  // The end record sits in the last 64 KB + 22 bytes (its comment is at most 65535 bytes).
  size_t end = std::string_view::npos;
  const size_t lowest = archive.size() > kEndSize + 0xFFFF ? archive.size() - kEndSize - 0xFFFF : 0;
  for (size_t at = archive.size() - kEndSize + 1; at-- > lowest;) {
    if (Get32(archive, at) == kEndSignature) {
      end = at;
      break;
    }
  }
  if (end == std::string_view::npos) return Fail(error, "the file is not a ZIP archive (no directory at its end)");
  if (Get16(archive, end + 4) != 0 || Get16(archive, end + 6) != 0)
    return Fail(error, "the archive is split over several files");
  const uint32_t count = Get16(archive, end + 10);
  const uint32_t dirSize = Get32(archive, end + 12);
  const uint32_t dirOffset = Get32(archive, end + 16);
  if (count == 0xFFFF || dirOffset == 0xFFFFFFFF) return Fail(error, "the archive is in the ZIP64 form, which is not read");
  if (static_cast<uint64_t>(dirOffset) + dirSize > end) return Fail(error, "the archive's directory lies outside the file");
  size_t at = dirOffset;
  entries_.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    if (at + kCentralHeaderSize > end || Get32(archive, at) != kCentralSignature)
      return Fail(error, "the archive's directory is damaged");
    const uint16_t flags = Get16(archive, at + 8);
    Entry e;
    e.method = Get16(archive, at + 10);
    e.crc = Get32(archive, at + 16);
    e.packedSize = Get32(archive, at + 20);
    e.size = Get32(archive, at + 24);
    const size_t nameLength = Get16(archive, at + 28);
    const size_t extraLength = Get16(archive, at + 30);
    const size_t commentLength = Get16(archive, at + 32);
    const uint64_t localOffset = Get32(archive, at + 42);
    if (at + kCentralHeaderSize + nameLength + extraLength + commentLength > end)
      return Fail(error, "the archive's directory is damaged");
    e.name.assign(archive.substr(at + kCentralHeaderSize, nameLength));
    at += kCentralHeaderSize + nameLength + extraLength + commentLength;
    if (flags & 1) return Fail(error, "the workbook is encrypted");
    if (localOffset + kLocalHeaderSize > dirOffset || Get32(archive, localOffset) != kLocalSignature)
      return Fail(error, "an entry of the archive is damaged");
    e.dataOffset = localOffset + kLocalHeaderSize + Get16(archive, localOffset + 26) + Get16(archive, localOffset + 28);
    if (e.dataOffset + e.packedSize > dirOffset) return Fail(error, "an entry of the archive lies outside the file");
    entries_.push_back(std::move(e));
  }
  return true;
}

const ZipReader::Entry* ZipReader::Find(std::string_view name) const {
  for (const Entry& e : entries_)
    if (e.name == name) return &e;
  for (const Entry& e : entries_)
    if (EqualsNoCase(e.name, name)) return &e;
  return nullptr;
}

bool ZipReader::Extract(const Entry& entry, std::string* out, std::string* error) const {
  if (entry.size > kZipEntryLimit) return Fail(error, "an entry of the workbook is too large");
  std::string_view packed = archive_.substr(entry.dataOffset, entry.packedSize);
  out->clear();
  if (entry.method == kStored) {
    if (entry.size != entry.packedSize) return Fail(error, "an entry of the archive is damaged");
    out->assign(packed);
  } else if (entry.method == kDeflated) {
    // The output grows with what inflating produces, never by the header's word alone.
    z_stream z{};
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK) return Fail(error, "out of memory");
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
    z.avail_in = static_cast<uInt>(packed.size());
    char chunk[65536];
    int rc = Z_OK;
    while (rc == Z_OK) {
      z.next_out = reinterpret_cast<Bytef*>(chunk);
      z.avail_out = sizeof chunk;
      rc = inflate(&z, Z_NO_FLUSH);
      const size_t produced = sizeof chunk - z.avail_out;
      if (out->size() + produced > entry.size) rc = Z_DATA_ERROR;
      else out->append(chunk, produced);
      if (rc == Z_BUF_ERROR && z.avail_in == 0) break;
    }
    inflateEnd(&z);
    if (rc != Z_STREAM_END || out->size() != entry.size) return Fail(error, "an entry of the archive is damaged");
  } else {
    return Fail(error, "an entry of the archive is packed by a method that is not read");
  }
  const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(out->data()), static_cast<uInt>(out->size()));
  if (crc != entry.crc) return Fail(error, "an entry of the archive is damaged (checksum)");
  return true;
}

bool ZipWriter::Add(std::string_view name, std::string_view data, int level) {
  if (data.size() >= kZipEntryLimit) return false;
  std::string packed;
  z_stream z{};
  deflateInit2(&z, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  packed.resize(deflateBound(&z, static_cast<uLong>(data.size())));
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(packed.data());
  z.avail_out = static_cast<uInt>(packed.size());
  deflate(&z, Z_FINISH);
  packed.resize(z.total_out);
  deflateEnd(&z);

  const uint32_t crc = static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
  central_.push_back({std::string(name), crc, static_cast<uint32_t>(packed.size()), static_cast<uint32_t>(data.size()),
                      static_cast<uint32_t>(out_.size())});
  Put32(out_, kLocalSignature);
  Put16(out_, 20);
  Put16(out_, 0);
  Put16(out_, kDeflated);
  Put16(out_, 0);
  Put16(out_, kDosDate);
  Put32(out_, crc);
  Put32(out_, static_cast<uint32_t>(packed.size()));
  Put32(out_, static_cast<uint32_t>(data.size()));
  Put16(out_, static_cast<uint32_t>(name.size()));
  Put16(out_, 0);
  out_ += name;
  out_ += packed;
  return out_.size() < 0xFFFFFFFFu - 0x1000000u;
}

std::string ZipWriter::Finish() {
  const uint32_t dirOffset = static_cast<uint32_t>(out_.size());
  for (const Central& c : central_) {
    Put32(out_, kCentralSignature);
    Put16(out_, 20);
    Put16(out_, 20);
    Put16(out_, 0);
    Put16(out_, kDeflated);
    Put16(out_, 0);
    Put16(out_, kDosDate);
    Put32(out_, c.crc);
    Put32(out_, c.packedSize);
    Put32(out_, c.size);
    Put16(out_, static_cast<uint32_t>(c.name.size()));
    Put16(out_, 0);
    Put16(out_, 0);
    Put16(out_, 0);
    Put16(out_, 0);
    Put32(out_, 0);
    Put32(out_, c.offset);
    out_ += c.name;
  }
  const uint32_t dirSize = static_cast<uint32_t>(out_.size()) - dirOffset;
  Put32(out_, kEndSignature);
  Put16(out_, 0);
  Put16(out_, 0);
  Put16(out_, static_cast<uint32_t>(central_.size()));
  Put16(out_, static_cast<uint32_t>(central_.size()));
  Put32(out_, dirSize);
  Put32(out_, dirOffset);
  Put16(out_, 0);
  central_.clear();
  return std::move(out_);
}

}  // namespace plumo
