// CSnapshotThread: the window's background snapshot of the server's configuration, taken
// after start-up and after each restart. On a thread of its own, at low priority, with its
// own COM apartment and connection to the server (made on that thread, as the search
// worker's), it reads every tag with its period and the port settings, and writes a
// snapshot into the history folder unless the newest one holds the same. The window keeps
// answering meanwhile: nothing is shared with it but the stop flag. Stop() ends the reading
// before its next call and waits for the thread, for a bounded time when asked.
#pragma once

#include <windows.h>

#include <atomic>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "common/win/Owners.h"
#include "history/History.h"
#include "tagfile/TagNames.h"

class CSnapshotThread {
public:
    CSnapshotThread(std::filesystem::path folder, std::string program, TagNames naming);
    ~CSnapshotThread();
    CSnapshotThread(const CSnapshotThread&) = delete;
    CSnapshotThread& operator=(const CSnapshotThread&) = delete;

    // False when the thread could not be created.
    bool Start();
    // Asks the thread to end and waits for it, at most timeoutMs; false when it has not
    // ended by then (stuck in a call to a server that hangs): the object must then be
    // left to the thread, never destroyed.
    bool Stop(DWORD timeoutMs = INFINITE);
    // Waits for the thread's end; true when it has ended.
    bool Wait(DWORD timeoutMs);
    // A snapshot the retention after this one's writing must leave (one being restored).
    void Spare(const std::filesystem::path& file);

    // After the end (Wait true): whether the whole configuration was read and what writing
    // it did (SnapshotResult: written, unchanged or the error).
    bool m_bRead = false;
    SnapshotResult m_Result;
    // Why no snapshot could be read, in the window's words (Windows-1251): no connection,
    // or the connection lost during the reading; empty otherwise.
    std::string m_strProblem;

private:
    static DWORD WINAPI ThreadProc(LPVOID param);
    void Run();

    std::filesystem::path m_folder;
    std::string m_strProgram;
    TagNames m_naming;
    CScopedHandle m_hThread;
    std::atomic<bool> m_bStop{false};
    std::mutex m_spareMutex;
    std::vector<std::filesystem::path> m_spared;
};
