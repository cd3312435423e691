// The programs' one writer of standard output and error on Windows (zolctl, dsctool and the
// window's loader lines). To a console the text goes through WriteConsoleW, so that Cyrillic
// shows right whatever the console's code page (866 on a Russian Windows, 437 or 850
// elsewhere); to a file or a pipe it goes as the bytes given, in the program's one encoding
// (UTF-8 for zolctl and dsctool, Windows-1251 for the window's loader lines).
#pragma once

#include <streambuf>
#include <string>

// Which standard stream.
enum class StdStream { Output, Error };

// True when the stream is a console.
bool StdStreamIsConsole(StdStream stream);

// Writes the whole text, given in codePage (65001 for UTF-8, 1251), to the stream. Returns
// 0, or the system error of a write that failed (a write that wrote nothing counts as one).
// Without a stream (a program started without one) there is nothing to write, and nothing
// lost: 0.
unsigned long WriteStdStream(StdStream stream, const std::string& text, unsigned codePage);

// A stream buffer over WriteStdStream, for the C++ streams of a program (std::cout of
// dsctool and of the window): written at each flush, and when its buffer fills. The first
// failure is kept (Failure()), and nothing more is written after it.
class CStdStreamBuf final : public std::streambuf {
public:
    CStdStreamBuf(StdStream stream, unsigned codePage, bool unbuffered = false);
    ~CStdStreamBuf() override;
    unsigned long Failure() const { return m_failure; }

protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* text, std::streamsize count) override;
    int sync() override;

private:
    bool Flush();

    StdStream m_stream;
    unsigned m_codePage;
    bool m_bUnbuffered;
    std::string m_pending;
    unsigned long m_failure = 0;
};
