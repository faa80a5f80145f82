#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "framework/archive.h"
#include "framework/text_codec.h"

namespace corvane::fw {

// The stored files' fields through the archive: 32-bit integers, doubles, and texts that are
// UTF-8 in the program and single-byte code page in the file. A file's list of records is one
// function template over the archive, so the same list reads and writes it:
//   template <typename Archive, typename Fields> void Exchange(Archive& ar, Fields& f) {
//       ar.Int(f.count); ar.Real(f.level); ar.Text(f.name); }
class FieldWriter {
  public:
    void Int(int value) { archive_.Int32(value); }
    void Real(double value) { archive_.Double(value); }
    void Text(const std::string& value) { archive_.Text(Utf8ToWire(value)); }
    const std::vector<std::uint8_t>& Bytes() const { return archive_.Bytes(); }

  private:
    ArchiveWriter archive_;
};

// Reads each field in turn; once a read fails (the file ends early) the later fields keep their
// values and Complete() is false.
class FieldReader {
  public:
    explicit FieldReader(std::span<const std::uint8_t> bytes, WideTexts wide = WideTexts::Refuse)
        : archive_(bytes, wide) {}
    void Int(int& value) {
        std::int32_t read = 0;
        if (Count(archive_.Int32(read))) value = read;
    }
    void Real(double& value) {
        double read = 0;
        if (Count(archive_.Double(read))) value = read;
    }
    void Text(std::string& value) {
        std::vector<std::uint8_t> read;
        if (Count(archive_.Text(read))) value = WireToUtf8(read);
    }
    bool Complete() const { return !archive_.Failed(); }
    // The records read whole so far; at a failure, the failing record is the next one.
    int RecordsRead() const { return recordsRead_; }

  private:
    bool Count(bool read) {
        if (read) ++recordsRead_;
        return read;
    }

    ArchiveReader archive_;
    int recordsRead_ = 0;
};

}  // namespace corvane::fw
