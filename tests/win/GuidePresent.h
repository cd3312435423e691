// A guide beside the test program for a test's span, when none stands there (F1 tells a
// missing one in a box and opens nothing).
#pragma once

#include <windows.h>

#include <string>

#include "ui/Help.h"

class CGuidePresent {
public:
    CGuidePresent()
    {
        if (GetFileAttributesW(GuideFile().c_str()) != INVALID_FILE_ATTRIBUTES) return;
        m_folder = ProgramFolder() + L"\\guide";
        m_madeFolder = CreateDirectoryW(m_folder.c_str(), nullptr) != 0;
        HANDLE file = CreateFileW(GuideFile().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        m_madeFile = file != INVALID_HANDLE_VALUE;
        if (m_madeFile) CloseHandle(file);
    }
    ~CGuidePresent()
    {
        if (m_madeFile) DeleteFileW(GuideFile().c_str());
        if (m_madeFolder) RemoveDirectoryW(m_folder.c_str());
    }
    CGuidePresent(const CGuidePresent&) = delete;
    CGuidePresent& operator=(const CGuidePresent&) = delete;

private:
    std::wstring m_folder;
    bool m_madeFolder = false, m_madeFile = false;
};
