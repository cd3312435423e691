#include "BoxAnswerer.h"

#include <windows.h>

#include "UiDriver.h"

namespace {

std::mutex g_ruleMutex;
std::function<int(const std::string&)> g_questionRule;

int QuestionAnswer(HWND box, const std::string& text)
{
    if (GetDlgItem(box, IDYES) == nullptr) return IDOK;
    std::lock_guard<std::mutex> lock(g_ruleMutex);
    const int answer = g_questionRule ? g_questionRule(text) : 0;
    return answer != 0 ? answer : IDOK;
}

}  // namespace

void CBoxAnswerer::SetQuestionRule(std::function<int(const std::string& text)> rule)
{
    std::lock_guard<std::mutex> lock(g_ruleMutex);
    g_questionRule = std::move(rule);
}

CBoxAnswerer::CBoxAnswerer() : m_thread(&CBoxAnswerer::Run, this) {}

CBoxAnswerer::~CBoxAnswerer() { Stop(); }

void CBoxAnswerer::Stop()
{
    m_stop = true;
    if (m_thread.joinable()) m_thread.join();
}

std::vector<std::string> CBoxAnswerer::Texts()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_texts;
}

std::vector<std::wstring> CBoxAnswerer::WideTexts()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_wideTexts;
}

bool CBoxAnswerer::WaitForCount(size_t count, int timeoutMs)
{
    return ui_driver::WaitFor([&] { return Texts().size() >= count; }, timeoutMs);
}

void CBoxAnswerer::Run()
{
    while (!m_stop) {
        for (HWND window : ui_driver::TopLevelWindows()) {
            if (!IsWindowVisible(window) || !ui_driver::IsMessageBox(window)) continue;
            const std::string text = ui_driver::MessageBoxText(window);
            wchar_t wide[1024] = {};
            GetDlgItemTextW(window, 0xFFFF, wide, 1024);
            ui_driver::SaveScreenshot(window, GetDlgItem(window, IDYES) ? "question-box" : "message-box");
            ui_driver::PressButton(window, QuestionAnswer(window, text));
            ui_driver::WaitUntilGone(window, 5000);
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_texts.push_back(text);
                m_wideTexts.push_back(wide);
            }
            ui_driver::NoteBoxAnswered();
        }
        Sleep(20);  // the poll of the wait for the next box
    }
}
