#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "link/readings_csv.h"

namespace corvane {

// Writes a readings file (link/readings_csv.h: the header, then one row per answered poll, the
// format of `corvane monitor --csv`) while a recording runs. Every row is written whole and
// flushed to the system at once, so the file can be read, copied or plotted while the recording
// goes on and holds every row up to the last poll if the program ends. A write that fails ends
// the recording: the file is closed and cut back to its last whole row, so that what was written
// stays a readable file, and the caller is told why.
class ReadingsRecorder {
  public:
    ReadingsRecorder() = default;
    ~ReadingsRecorder() { Stop(); }
    ReadingsRecorder(const ReadingsRecorder&) = delete;
    ReadingsRecorder& operator=(const ReadingsRecorder&) = delete;

    // Creates (or empties) the file at `path` (UTF-8) and writes the header. False with the
    // reason in `error` when the file cannot be made or written.
    bool Start(const std::string& path, std::string& error);
    // Writes one row. False with the reason in `error` when it cannot be written: the recording
    // has then stopped.
    bool Append(const ReadingRow& row, std::string& error);
    void Stop();

    bool Active() const { return file_ != nullptr; }
    const std::string& Path() const { return path_; }
    std::uint64_t Rows() const { return rows_; }

  private:
    bool WriteWhole(const std::string& line, std::string& error);
    void Fail();

    std::FILE* file_ = nullptr;
    std::string path_;
    std::uint64_t rows_ = 0;
    std::uint64_t bytes_ = 0;  // the size of the file up to its last whole row
};

}  // namespace corvane
