#pragma once
// A small access layer for dBASE III tables: fields read and written as text
// in place, by byte position. Only the record count of the header is ever
// rewritten, and nothing is written past the table's real end.
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace kvtconv {

class DbTable {
 public:
  struct Field {
    std::string name;  // up to 10 characters
    char type = 'C';
    std::size_t length = 0;
    int decimals = 0;
    std::size_t start = 0;  // offset inside the record, after the deletion byte
  };

  DbTable() = default;
  ~DbTable();
  DbTable(const DbTable&) = delete;
  DbTable& operator=(const DbTable&) = delete;

  // 0 open; 2 missing; 3 not readable as a table (see error()).
  int open(const std::string& path);
  void close();
  bool isOpen() const { return f_ != nullptr; }
  const std::string& error() const { return error_; }

  std::uint32_t records() const { return count_; }
  const std::vector<Field>& fields() const { return fields_; }

  // The first record from `start` on whose field equals `key` (trailing
  // blanks do not count); 0 when none does.
  std::uint32_t seek(std::string_view field, std::string_view key, std::uint32_t start = 1);
  std::uint32_t seek2(std::string_view field1, std::string_view key1, std::string_view field2,
                      std::string_view key2, std::uint32_t start = 1);
  // A field's value of a record, as stored (blank padded to the field width).
  std::string read(std::string_view field, std::uint32_t record);
  // False when the record or the field does not exist or the write failed.
  bool write(std::string_view field, std::uint32_t record, std::string_view value);
  // Adds a blank record at the end; its number, or 0 on failure.
  std::uint32_t append();

  // Field lookup: the first field whose name begins with the trimmed name.
  const Field* find(std::string_view name) const;

 private:
  bool readAt(std::uint64_t pos, char* buf, std::size_t n);
  bool writeAt(std::uint64_t pos, const char* buf, std::size_t n);
  std::uint64_t fieldPos(const Field& f, std::uint32_t record) const;

  std::FILE* f_ = nullptr;
  bool writable_ = false;
  std::string error_;
  std::uint32_t count_ = 0;
  std::uint16_t headerLength_ = 0, recordLength_ = 0;
  std::vector<Field> fields_;
};

}  // namespace kvtconv
