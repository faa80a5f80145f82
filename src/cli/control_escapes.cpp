#include "cli/control_escapes.h"

#include <cstdio>

#include "cli/sensor_commands.h"

namespace corvane::cli {
namespace {

constexpr unsigned char kUtf8C1Lead = 0xC2;

bool IsContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// Continuation bytes a UTF-8 lead byte announces; -1 for a byte that leads no character.
int ContinuationsAfter(unsigned char byte) {
    if (byte >= 0xC2 && byte <= 0xDF) return 1;
    if (byte >= 0xE0 && byte <= 0xEF) return 2;
    if (byte >= 0xF0 && byte <= 0xF4) return 3;
    return -1;
}

}  // namespace

void ControlEscapingBuffer::Out(char c) {
    if (traits_type::eq_int_type(target_->sputc(c), traits_type::eof())) failed_ = true;
}

void ControlEscapingBuffer::PutText(const char* text) {
    for (; *text != '\0'; ++text) Out(*text);
}

void ControlEscapingBuffer::Escape(const char* format, unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, format, value);
    PutText(text);
}

void ControlEscapingBuffer::FlushPending() {
    if (pending_ == 0) return;
    Escape("\\x%02X", pending_);  // a lead byte the text ended on: no character
    pending_ = 0;
}

void ControlEscapingBuffer::Put(unsigned char byte) {
    if (pending_ != 0) {
        pending_ = 0;
        if (byte >= 0x80 && byte <= 0x9F) {
            Escape("\\u%04X", byte);  // U+0080..U+009F, a C1 control
            return;
        }
        if (IsContinuation(byte)) {
            Out(static_cast<char>(kUtf8C1Lead));
            Out(static_cast<char>(byte));
            return;
        }
        Escape("\\x%02X", kUtf8C1Lead);  // a lead byte with no character after it
    }
    if (continuations_ > 0) {
        if (IsContinuation(byte)) {
            --continuations_;
            Out(static_cast<char>(byte));
            return;
        }
        continuations_ = 0;  // a character cut short: the byte is looked at on its own
    }
    if (byte < 0x20 || byte == 0x7F) {
        const bool kept = byte == '\n' || byte == '\t' || (byte == '\r' && keepCarriageReturn_);
        if (kept) {
            Out(static_cast<char>(byte));
        } else {
            Escape("\\x%02X", byte);
        }
        return;
    }
    if (byte < 0x80) {
        Out(static_cast<char>(byte));
        return;
    }
    if (byte == kUtf8C1Lead) {
        pending_ = byte;  // U+0080..U+00BF: a C1 control or a printable Latin-1 sign
        return;
    }
    const int more = ContinuationsAfter(byte);
    if (more < 0) {
        // A byte of no UTF-8 character; 0x80..0x9F would be a C1 control to an 8-bit terminal.
        Escape(byte <= 0x9F ? "\\u%04X" : "\\x%02X", byte);
        return;
    }
    continuations_ = more;
    Out(static_cast<char>(byte));
}

ControlEscapingBuffer::int_type ControlEscapingBuffer::overflow(int_type c) {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    Put(static_cast<unsigned char>(traits_type::to_char_type(c)));
    return failed_ ? traits_type::eof() : c;
}

std::streamsize ControlEscapingBuffer::xsputn(const char* s, std::streamsize n) {
    for (std::streamsize i = 0; i < n; ++i) Put(static_cast<unsigned char>(s[i]));
    return failed_ ? 0 : n;  // output that could not be written is never reported as written
}

int ControlEscapingBuffer::sync() {
    return failed_ || target_->pubsync() != 0 ? -1 : 0;
}

EscapingConsole::EscapingConsole(const Console& raw)
    : outBuffer_(raw.out.rdbuf(), false),
      errBuffer_(raw.err.rdbuf(), true),  // the progress bar redraws its line
      out_(&outBuffer_),
      err_(&errBuffer_),
      console_(
          std::make_unique<Console>(Console{.out = out_,
                                            .err = err_,
                                            .readLine = raw.readLine,
                                            .readInput = raw.readInput,
                                            .errIsTerminal = raw.errIsTerminal,
                                            .interrupted = raw.interrupted,
                                            .interruptCount = raw.interruptCount,
                                            .now = raw.now,
                                            .fileOut = raw.fileOut ? raw.fileOut : &raw.out})) {
    // A stream that has already failed stays failed.
    out_.setstate(raw.out.rdstate());
    err_.setstate(raw.err.rdstate());
}

EscapingConsole::~EscapingConsole() {
    out_.flush();
    err_.flush();
}

Console& EscapingConsole::Get() {
    return *console_;
}

}  // namespace corvane::cli
