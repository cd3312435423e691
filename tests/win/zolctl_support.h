// zolctl.exe as the Windows tests run it: a real process (beside the test program) against
// the stand-in server, with its standard output and error captured apart, in a test of its
// own with description files and a scratch folder.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "DescriptionFiles.h"

struct CtlRun {
    int code = -1;
    std::string out;  // standard output, bytes as written (UTF-8)
    std::string err;
};

// Runs zolctl.exe with the arguments (each quoted as needed); -1 if it did not end in 120 s.
CtlRun RunCtl(const std::vector<std::wstring>& arguments);
// The same with standard output and/or error going to the given inheritable handle (null:
// captured as above); the handles stay the caller's.
CtlRun RunCtlInto(const std::vector<std::wstring>& arguments, void* out, void* err);
// The same with another copy of zolctl.exe.
CtlRun RunCtlAt(const std::wstring& program, const std::vector<std::wstring>& arguments, void* out = nullptr,
                void* err = nullptr);

class ZolctlTest : public ::testing::Test {
protected:
    // The server with the given tags and no faults; descriptions of PM3F (type 1:
    // Frequency 14, Voltage.A 2) and a Cyrillic meter (type 7: 3 a dotted Cyrillic name).
    void SetUp() override;
    void TearDown() override;

    // zolctl with "--dsc" and the descriptions' folder appended.
    CtlRun Ctl(std::vector<std::wstring> arguments);
    std::wstring Dsc() const { return m_dscDir.wstring(); }
    std::filesystem::path Scratch(const std::string& name) const { return m_scratch / name; }
    // Another description file beside the two (checksum added).
    void WriteDescription(const std::string& name, const std::string& text) { m_descriptions->Write(name, text); }
    // The history folder zolctl writes to (ZOLCFG_HISTORY).
    const std::filesystem::path& History() const { return m_history; }
    static std::string ReadFile(const std::filesystem::path& path);
    static void WriteFile(const std::filesystem::path& path, const std::string& bytes);

private:
    std::unique_ptr<CDescriptionDir> m_descriptions;
    std::filesystem::path m_dscDir;
    std::filesystem::path m_scratch;
    std::filesystem::path m_history;
};
