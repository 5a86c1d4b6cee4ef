#include "exchange/dbase/dbase.hpp"

#include <filesystem>

#include "frame/text.hpp"

namespace kvtconv {

namespace {

constexpr std::size_t kMaxFields = 30;
constexpr char kEndOfFile = '\x1A';

std::uint32_t le32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::uint16_t le16(const unsigned char* p) {
  return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

bool seekTo(std::FILE* f, std::uint64_t pos) {
#ifdef _WIN32
  return _fseeki64(f, static_cast<long long>(pos), SEEK_SET) == 0;
#else
  return fseeko(f, static_cast<off_t>(pos), SEEK_SET) == 0;
#endif
}

}  // namespace

DbTable::~DbTable() { close(); }

void DbTable::close() {
  if (f_) std::fclose(f_);
  f_ = nullptr;
  fields_.clear();
  count_ = 0;
}

int DbTable::open(const std::string& path) {
  close();
  error_.clear();
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) {
    error_ = "findes ikke";
    return 2;
  }
  f_ = std::fopen(path.c_str(), "r+b");
  writable_ = f_ != nullptr;
  if (!f_) f_ = std::fopen(path.c_str(), "rb");
  if (!f_) {
    error_ = "kan ikke \xE5" "bnes";
    return 3;
  }
  const auto size = std::filesystem::file_size(path, ec);
  auto reject = [&](const char* why) {
    error_ = why;
    close();
    return 3;
  };
  unsigned char head[32];
  if (ec || !readAt(0, reinterpret_cast<char*>(head), 32)) return reject("for kort til et dBASE-hoved");
  count_ = le32(head + 4);
  headerLength_ = le16(head + 8);
  recordLength_ = le16(head + 10);
  if (headerLength_ < 65 || recordLength_ < 2) return reject("hovedet har forkerte l\xE6ngder");
  const std::size_t nfields = headerLength_ / 32 - 1;
  if (nfields > kMaxFields) return reject("mere end 30 felter");
  if (headerLength_ > size) return reject("hovedet er l\xE6ngere end filen");
  std::size_t start = 0;
  for (std::size_t k = 0; k < nfields; ++k) {
    unsigned char d[32];
    if (!readAt(32 + 32 * k, reinterpret_cast<char*>(d), 32)) return reject("feltbeskrivelse mangler");
    if (d[0] == 0x0D) break;  // the descriptor array ends early
    Field fl;
    const char* name = reinterpret_cast<const char*>(d);
    std::size_t n = 0;
    while (n < 10 && name[n] != '\0') ++n;
    fl.name.assign(name, n);
    fl.type = static_cast<char>(d[11]);
    fl.length = d[16];
    fl.decimals = d[17];
    fl.start = start;
    start += fl.length;
    fields_.push_back(fl);
  }
  // The terminator belongs to the header: the first record starts after it.
  // A header length that ends at or before it puts every record off by bytes.
  const std::size_t terminatorAt = 32 + 32 * fields_.size();
  char terminator = 0;
  if (terminatorAt >= headerLength_ || !readAt(terminatorAt, &terminator, 1) ||
      terminator != '\x0D')
    return reject("feltbeskrivelserne er ikke afsluttet");
  if (start + 1 != recordLength_) return reject("postl\xE6ngden passer ikke med felterne");
  if (static_cast<std::uint64_t>(headerLength_) + std::uint64_t{count_} * recordLength_ > size)
    return reject("antallet af poster passer ikke med filens st\xF8rrelse");
  return 0;
}

bool DbTable::readAt(std::uint64_t pos, char* buf, std::size_t n) {
  return f_ && seekTo(f_, pos) && std::fread(buf, 1, n, f_) == n;
}

bool DbTable::writeAt(std::uint64_t pos, const char* buf, std::size_t n) {
  return f_ && writable_ && seekTo(f_, pos) && std::fwrite(buf, 1, n, f_) == n &&
         std::fflush(f_) == 0;
}

const DbTable::Field* DbTable::find(std::string_view name) const {
  const std::string_view want = trim(name);
  if (want.empty()) return nullptr;
  for (const auto& f : fields_) {
    std::string upperName = f.name, upperWant(want);
    low2up(upperName);
    low2up(upperWant);
    if (upperName.compare(0, upperWant.size(), upperWant) == 0) return &f;
  }
  return nullptr;
}

std::uint64_t DbTable::fieldPos(const Field& f, std::uint32_t record) const {
  return headerLength_ + std::uint64_t{record - 1} * recordLength_ + 1 + f.start;
}

std::string DbTable::read(std::string_view field, std::uint32_t record) {
  const Field* f = find(field);
  if (!f || record < 1 || record > count_) return {};
  std::string value(f->length, ' ');
  if (!readAt(fieldPos(*f, record), value.data(), f->length)) return std::string(f->length, ' ');
  return value;
}

std::uint32_t DbTable::seek(std::string_view field, std::string_view key, std::uint32_t start) {
  const Field* f = find(field);
  if (!f) return 0;
  for (std::uint32_t r = std::max<std::uint32_t>(start, 1); r <= count_; ++r) {
    std::string value(f->length, ' ');
    if (!readAt(fieldPos(*f, r), value.data(), f->length)) return 0;
    if (rtrim(value) == rtrim(key)) return r;
  }
  return 0;
}

std::uint32_t DbTable::seek2(std::string_view field1, std::string_view key1,
                             std::string_view field2, std::string_view key2,
                             std::uint32_t start) {
  for (std::uint32_t r = seek(field1, key1, start); r != 0; r = seek(field1, key1, r + 1))
    if (rtrim(read(field2, r)) == rtrim(key2)) return r;
  return 0;
}

bool DbTable::write(std::string_view field, std::uint32_t record, std::string_view value) {
  const Field* f = find(field);
  if (!f || record < 1 || record > count_) return false;
  std::string v = fixed(value, f->length);
  if (f->type == 'N' || f->type == 'F') {
    v = fixed(trim(value), f->length);  // numbers stand right-justified
    hjuster(v);
  }
  return writeAt(fieldPos(*f, record), v.data(), v.size());
}

std::uint32_t DbTable::append() {
  if (!f_) return 0;
  const std::uint64_t at = headerLength_ + std::uint64_t{count_} * recordLength_;
  std::string record(recordLength_, ' ');
  record.push_back(kEndOfFile);
  if (!writeAt(at, record.data(), record.size())) return 0;
  // The count is taken over only once the header holds it, so a failed
  // header write leaves the table as it was for every later call.
  const std::uint32_t n = count_ + 1;
  const unsigned char c[4] = {static_cast<unsigned char>(n), static_cast<unsigned char>(n >> 8),
                              static_cast<unsigned char>(n >> 16), static_cast<unsigned char>(n >> 24)};
  if (!writeAt(4, reinterpret_cast<const char*>(c), 4)) return 0;
  count_ = n;
  return count_;
}

}  // namespace kvtconv
