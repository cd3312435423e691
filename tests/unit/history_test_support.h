// Shared by the history tests: a platform with a fixed clock and names (files go through
// the system's own primitives, or fail on demand), and a fresh temporary folder per test.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include <unistd.h>

#include "FakeTagServer.h"
#include "common/AtomicFile.h"
#include "history/HistoryPlatform.h"
#include "history/Journal.h"
#include "history/JournaledServer.h"
#include "tree/RefreshPeriod.h"

namespace history_test {

class CFakePlatform final : public IHistoryPlatform {
public:
    LocalTime now{2026, 12, 8, 10, 25, 3, 180};
    std::map<std::string, std::string> environment;
    bool failAppends = false;  // every Append fails as a full disk would
    bool failOpen = false;

    LocalTime Now() override { return now; }
    std::string UserName() override { return "ivanov"; }
    std::string ComputerName() override { return "SCADA1"; }
    bool Environment(const char* name, std::string* value) override
    {
        const auto found = environment.find(name);
        if (found == environment.end()) return false;
        *value = found->second;
        return true;
    }
    std::unique_ptr<IAppendFile> OpenAppend(const std::filesystem::path& path, std::string* error) override
    {
        if (failOpen) {
            if (error) *error = "Permission denied";
            return nullptr;
        }
        auto file = SystemHistoryPlatform().OpenAppend(path, error);
        if (!file) return nullptr;
        return std::make_unique<CFailingFile>(std::move(file), failAppends);
    }
    bool CreateExclusive(const std::filesystem::path& path, std::string_view content, bool* alreadyExists,
                         std::string* error) override
    {
        return SystemHistoryPlatform().CreateExclusive(path, content, alreadyExists, error);
    }

private:
    class CFailingFile final : public IAppendFile {
    public:
        CFailingFile(std::unique_ptr<IAppendFile> inner, bool& fail) : m_inner(std::move(inner)), m_fail(fail) {}
        bool Append(std::string_view bytes, std::string* error) override
        {
            if (m_fail) {
                if (error) *error = "No space left on device";
                return false;
            }
            return m_inner->Append(bytes, error);
        }
        bool Flush(std::string* error) override { return m_inner->Flush(error); }

    private:
        std::unique_ptr<IAppendFile> m_inner;
        bool& m_fail;
    };
};

// A temporary folder of its own, removed afterwards.
class TempFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_folder = std::filesystem::temp_directory_path() /
                   ("zol-history-" + std::string(info->test_suite_name()) + "-" + info->name() + "-" +
                    std::to_string(static_cast<long long>(::getpid())));
        std::filesystem::remove_all(m_folder);
    }
    void TearDown() override
    {
        std::error_code ec;
        std::filesystem::remove_all(m_folder, ec);
    }
    std::filesystem::path m_folder;
};

// A journal in the temporary folder and a journaled server over a fake one.
class JournaledFakeTest : public TempFolderTest {
protected:
    void OpenJournaled(const JournalContext& context)
    {
        m_journal = std::make_unique<CJournal>(m_platform, m_folder);
        std::string error;
        ASSERT_TRUE(m_journal->Open(&error)) << error;
        m_server = std::make_unique<CJournaledServer>(m_fake, m_journal.get(), context);
    }

    // The journal's lines, each pending line paired with its result.
    std::vector<JournalLine> Lines() { return ResolvePendingLines(RawLines()); }

    std::vector<JournalLine> RawLines()
    {
        m_journal->Close();
        std::string text;
        ReadWholeFile(m_folder / "journal.csv", &text);
        return ReadJournalLines(text);
    }

    // "type.address.param=ms" of every tag the fake holds.
    std::string Tags() const
    {
        std::string out;
        for (const auto& [t, period] : m_fake.tags)
            out += std::to_string(t.type) + "." + std::to_string(t.address) + "." + std::to_string(t.param) + "=" +
                   std::to_string(MsFromPeriod(period)) + " ";
        return out;
    }

    CFakePlatform m_platform;
    CFakeTagServer m_fake;
    std::unique_ptr<CJournal> m_journal;
    std::unique_ptr<CJournaledServer> m_server;
};

}  // namespace history_test
