#include "common/ConsoleOutput.h"

#include <windows.h>

#include <algorithm>
#include <atomic>

namespace {

HANDLE Handle(StdStream stream)
{
    return GetStdHandle(stream == StdStream::Output ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
}

bool IsConsole(HANDLE handle)
{
    DWORD mode = 0;
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode);
}

DWORD WriteFailure()
{
    const DWORD error = GetLastError();
    return error != 0 ? error : ERROR_WRITE_FAULT;
}

// Text of a multi-byte code page cut at a chunk's end may split a character: chunks end
// after a whole UTF-8 sequence (Windows-1251 has one byte a character).
std::size_t ChunkEnd(const std::string& text, std::size_t from, std::size_t limit, unsigned codePage)
{
    std::size_t end = std::min(text.size(), from + limit);
    if (codePage == CP_UTF8 && end < text.size()) {
        while (end > from && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
        if (end == from) end = std::min(text.size(), from + limit);
    }
    return end;
}

}  // namespace

// Whether the stream's handle is a console, asked once a handle: under Wine the question
// is a round trip to its server, and the window's loader writes hundreds of lines at start.
static bool IsConsoleCached(StdStream stream, HANDLE handle)
{
    struct Known {
        std::atomic<HANDLE> handle{INVALID_HANDLE_VALUE};
        std::atomic<bool> console{false};
    };
    static Known known[2];
    Known& k = known[stream == StdStream::Output ? 0 : 1];
    if (k.handle.load() == handle) return k.console.load();
    const bool console = IsConsole(handle);
    k.console = console;
    k.handle = handle;
    return console;
}

bool StdStreamIsConsole(StdStream stream) { return IsConsole(Handle(stream)); }

unsigned long WriteStdStream(StdStream stream, const std::string& text, unsigned codePage)
{
    const HANDLE handle = Handle(stream);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE || text.empty()) return 0;
    if (IsConsoleCached(stream, handle)) {
        std::size_t from = 0;
        while (from < text.size()) {
            const std::size_t end = ChunkEnd(text, from, 1u << 14, codePage);
            const int length = MultiByteToWideChar(codePage, 0, text.data() + from, static_cast<int>(end - from),
                                                   nullptr, 0);
            std::wstring wide(static_cast<std::size_t>(std::max(length, 0)), L'\0');
            if (length > 0)
                MultiByteToWideChar(codePage, 0, text.data() + from, static_cast<int>(end - from), &wide[0], length);
            std::size_t done = 0;
            while (done < wide.size()) {
                DWORD written = 0;
                if (!WriteConsoleW(handle, wide.data() + done, static_cast<DWORD>(wide.size() - done), &written,
                                   nullptr) ||
                    written == 0)
                    return WriteFailure();
                done += written;
            }
            from = end;
        }
        return 0;
    }
    std::size_t done = 0;
    while (done < text.size()) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(text.size() - done, 1u << 20));
        if (!WriteFile(handle, text.data() + done, chunk, &written, nullptr) || written == 0) return WriteFailure();
        done += written;
    }
    return 0;
}

CStdStreamBuf::CStdStreamBuf(StdStream stream, unsigned codePage, bool unbuffered)
    : m_stream(stream), m_codePage(codePage), m_bUnbuffered(unbuffered)
{
}

CStdStreamBuf::~CStdStreamBuf() { Flush(); }

bool CStdStreamBuf::Flush()
{
    if (m_pending.empty()) return m_failure == 0;
    if (m_failure == 0) m_failure = WriteStdStream(m_stream, m_pending, m_codePage);
    m_pending.clear();
    return m_failure == 0;
}

CStdStreamBuf::int_type CStdStreamBuf::overflow(int_type c)
{
    if (traits_type::eq_int_type(c, traits_type::eof())) return Flush() ? traits_type::not_eof(c) : traits_type::eof();
    const char ch = traits_type::to_char_type(c);
    return xsputn(&ch, 1) == 1 ? c : traits_type::eof();
}

std::streamsize CStdStreamBuf::xsputn(const char* text, std::streamsize count)
{
    if (m_failure != 0) return 0;
    m_pending.append(text, static_cast<std::size_t>(count));
    // Unbuffered: each line as it is written (a program ended from outside loses none).
    if ((m_bUnbuffered && m_pending.find('\n') != std::string::npos) || m_pending.size() >= (1u << 16)) {
        if (!Flush()) return 0;
    }
    return count;
}

int CStdStreamBuf::sync() { return Flush() ? 0 : -1; }
