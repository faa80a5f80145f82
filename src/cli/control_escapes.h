#pragma once

#include <memory>
#include <ostream>
#include <streambuf>

namespace corvane::cli {

struct Console;

// Passes text on to another stream buffer with every control character made visible: C0 (but
// the line feed and the tab, and the carriage return where `keepCarriageReturn` says so), DEL
// and the C1 controls, whether UTF-8 encoded (U+0080..U+009F) or bare bytes that belong to no
// UTF-8 character. A serial number, plant number or record text can then never clear the
// terminal, set its title or plant a hyperlink. C0 and DEL show as \xHH, C1 as \u00HH.
class ControlEscapingBuffer : public std::streambuf {
  public:
    ControlEscapingBuffer(std::streambuf* target, bool keepCarriageReturn)
        : target_(target), keepCarriageReturn_(keepCarriageReturn) {}
    ~ControlEscapingBuffer() override { FlushPending(); }
    ControlEscapingBuffer(const ControlEscapingBuffer&) = delete;
    ControlEscapingBuffer& operator=(const ControlEscapingBuffer&) = delete;

  protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* s, std::streamsize n) override;
    int sync() override;

  private:
    void Put(unsigned char byte);
    void Out(char c);
    void PutText(const char* text);
    void Escape(const char* format, unsigned value);
    void FlushPending();

    std::streambuf* target_;
    bool keepCarriageReturn_;
    unsigned char pending_ = 0;  // a UTF-8 lead byte 0xC2 waiting for the byte after it
    int continuations_ = 0;      // continuation bytes still expected in the character under way
    bool failed_ = false;        // the target refused a byte: the stream has failed
};

// A console whose standard output and standard error escape control characters, with the
// original output kept for the bytes of a file written to standard output.
class EscapingConsole {
  public:
    explicit EscapingConsole(const Console& raw);
    ~EscapingConsole();
    EscapingConsole(const EscapingConsole&) = delete;
    EscapingConsole& operator=(const EscapingConsole&) = delete;

    Console& Get();

  private:
    ControlEscapingBuffer outBuffer_;
    ControlEscapingBuffer errBuffer_;
    std::ostream out_;
    std::ostream err_;
    std::unique_ptr<Console> console_;
};

}  // namespace corvane::cli
