// Answers every message box of this process with OK while it lives, recording the texts
// in the order they appeared. Keeps a test from hanging on a box it did not expect.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class CBoxAnswerer {
public:
    CBoxAnswerer();
    ~CBoxAnswerer();
    CBoxAnswerer(const CBoxAnswerer&) = delete;
    CBoxAnswerer& operator=(const CBoxAnswerer&) = delete;

    std::vector<std::string> Texts();
    // The same texts as the box shows them (UTF-16), for characters Windows-1251 lacks.
    std::vector<std::wstring> WideTexts();
    // Waits until at least count boxes have been answered.
    bool WaitForCount(size_t count, int timeoutMs = 15000);
    // Stops answering (boxes that appear afterwards stay open).
    void Stop();

    // For every answerer: a box with a Yes button is answered with the button the rule
    // returns for its text (IDYES or IDNO; 0 or no rule: OK, as any other box).
    static void SetQuestionRule(std::function<int(const std::string& text)> rule);

private:
    void Run();

    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    std::vector<std::string> m_texts;
    std::vector<std::wstring> m_wideTexts;
    std::thread m_thread;
};
