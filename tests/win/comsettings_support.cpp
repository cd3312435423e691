#include "comsettings_support.h"

#include "StandinFixture.h"
#include "UiDriver.h"
#include "res/resource.h"
#include "ui/Text.h"

namespace comsettings_test {

ShownList ReadList(HWND dialog, int id)
{
    ShownList list;
    HWND combo = GetDlgItem(dialog, id);
    const int count = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        const LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
        std::wstring text(static_cast<size_t>(length < 0 ? 0 : length) + 1, L'\0');
        SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
        text.resize(static_cast<size_t>(length < 0 ? 0 : length));
        list.entries.push_back(Narrow(text));
    }
    list.selected = static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0));
    return list;
}

std::vector<ShownList> ReadLists(HWND dialog)
{
    std::vector<ShownList> lists;
    for (int id = IDC_PORT_COMBO; id <= IDC_STOP_BITS_COMBO; ++id)
        lists.push_back(ReadList(dialog, id));
    return lists;
}

std::vector<std::string> SelectedTexts(HWND dialog)
{
    std::vector<std::string> texts;
    for (const ShownList& list : ReadLists(dialog))
        texts.push_back(list.SelectedText());
    return texts;
}

void SelectEntry(HWND dialog, int id, int index)
{
    HWND combo = GetDlgItem(dialog, id);
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

DialogRun RunDialog(CComSettings& dialog, const std::function<void(HWND, CBoxAnswerer&)>& script)
{
    DialogRun run;
    CBoxAnswerer answerer;
    ui_driver::CScript driver([&] {
        HWND window = ui_driver::WaitForDialog("Настройки");
        if (window == nullptr) return;
        run.title = ui_driver::Text(window);
        run.opened = ReadLists(window);
        script(window, answerer);
        if (!ui_driver::WaitUntilGone(window, 10000)) {
            ADD_FAILURE() << "the script left the dialog open";
            ui_driver::PressButton(window, IDCANCEL);
        }
    });
    run.result = dialog.DoModal();
    driver.Join();
    ui_driver::DrainQuitMessage();
    answerer.Stop();
    run.boxes = answerer.Texts();
    return run;
}

std::string StoredValues()
{
    // The record is the file's one line that is not a comment.
    const std::string file = standin::ReadStateFile("port.txt");
    size_t start = 0;
    while (start < file.size()) {
        size_t end = file.find('\n', start);
        if (end == std::string::npos) end = file.size();
        std::string line = file.substr(start, end - start);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
        if (!line.empty() && line[0] != '#') return line;
        start = end + 1;
    }
    return std::string();
}

}  // namespace comsettings_test
