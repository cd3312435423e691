// The stand-in server's behaviour behind IAddTags, run natively on a temporary state
// directory: persistence, argument checks, faults, the simulated line, corrupt files.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "standin/FaultTable.h"
#include "standin/StandinServer.h"

namespace fs = std::filesystem;

namespace {

class StandinServerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_home = fs::temp_directory_path() /
                 (std::string("zol-standin-server-") + info->name() + "-" + std::to_string(::getpid()));
        fs::remove_all(m_home);
        fs::create_directories(m_home);
    }
    void TearDown() override { fs::remove_all(m_home); }

    // A server as a new process would have it: fresh object, state read from the files.
    std::unique_ptr<CStandinServer> Start()
    {
        StandinHooks hooks;
        hooks.sleep = [this](std::uint32_t ms) { m_sleeps.push_back(ms); };
        hooks.die = [this](int slot) { m_diedIn.push_back(slot); };
        hooks.restart = [this] { ++m_restarts; };
        auto server = std::make_unique<CStandinServer>(m_home, hooks);
        server->LoadState();
        return server;
    }

    void Write(const char* name, const std::string& content)
    {
        std::ofstream(m_home / name, std::ios::binary) << content;
    }
    std::string Read(const char* name)
    {
        std::string content;
        ReadWholeFile(m_home / name, &content);
        return content;
    }

    fs::path m_home;
    std::vector<std::uint32_t> m_sleeps;
    std::vector<int> m_diedIn;
    int m_restarts = 0;
};

std::vector<StandinTag> Walk(ITagServer& server)
{
    std::vector<StandinTag> tags;
    std::uint32_t cursor = 0, r1 = 0, r2 = 0;
    for (int guard = 0; guard < 1000; ++guard) {
        StandinTag t;
        if (HrFailed(server.EnumTags(&cursor, &t.type, &t.address, &t.param, &r1, &r2))) break;
        tags.push_back(t);
        if (cursor == 0) break;
    }
    return tags;
}

TEST_F(StandinServerTest, ChangesSurviveANewProcess)
{
    {
        auto server = Start();
        EXPECT_EQ(server->AddTag(3, 10, 2, 20000000), kS_OK);
        EXPECT_EQ(server->AddTag(1, 10, 7, 5000), kS_OK);
        EXPECT_EQ(server->AddTag(3, 10, 2, 10000LL * 1000000), kS_OK) << "existing tag: period set";
        EXPECT_EQ(server->AddTag(2, 2, 2, 0), kS_OK);
        EXPECT_EQ(server->DeleteTag(2, 2, 2), kS_OK);
        EXPECT_EQ(server->SetComSettings(4, 57600, 7, 2, 3), kS_OK);
        EXPECT_EQ(server->RestartServer(), kS_OK);
        EXPECT_EQ(m_restarts, 1);
    }
    auto server = Start();
    auto tags = Walk(*server);
    ASSERT_EQ(tags.size(), 2u);
    EXPECT_EQ(tags[0].type, 1u);
    EXPECT_EQ(tags[1].type, 3u);
    std::uint32_t low = 0, high = 0;
    ASSERT_EQ(server->GetTagInfo(3, 10, 2, &low, &high), kS_OK);
    EXPECT_EQ(JoinPeriod(low, high), 10000LL * 1000000);
    EXPECT_EQ(high, 2u) << "a period above 32 bits comes back in two halves";
    std::uint16_t port = 0;
    std::uint32_t baud = 0;
    std::uint8_t bits = 0, stop = 0, parity = 0;
    ASSERT_EQ(server->GetComSettings(&port, &baud, &bits, &stop, &parity), kS_OK);
    EXPECT_EQ(PortSettings({true, port, baud, bits, stop, parity}), PortSettings({true, 4, 57600, 7, 2, 3}));
}



TEST_F(StandinServerTest, UnknownTagFailsAndLeavesOutsUntouched)
{
    auto server = Start();
    std::uint32_t low = 0xAAAA, high = 0xBBBB;
    EXPECT_EQ(server->GetTagInfo(5, 5, 5, &low, &high), kE_NotFound);
    EXPECT_EQ(low, 0xAAAAu);
    EXPECT_EQ(high, 0xBBBBu);
    EXPECT_EQ(server->DeleteTag(5, 5, 5), kE_NotFound);
}

TEST_F(StandinServerTest, UnwritableStateIsReportedAndNothingChanges)
{
    auto server = Start();
    ASSERT_EQ(server->AddTag(1, 1, 1, 100), kS_OK);
    // A directory where the files must go: every replace fails.
    fs::remove(m_home / "tags.txt");
    fs::create_directories(m_home / "tags.txt" / "x");
    fs::create_directories(m_home / "port.txt" / "x");

    EXPECT_EQ(server->AddTag(2, 2, 2, 100), kE_WriteFault);
    EXPECT_EQ(server->AddTag(1, 1, 1, 555), kE_WriteFault);
    EXPECT_EQ(server->DeleteTag(1, 1, 1), kE_WriteFault);
    EXPECT_EQ(server->SetComSettings(9, 9600, 8, 0, 0), kE_WriteFault);
    EXPECT_EQ(server->Tags().Size(), 1u);
    EXPECT_EQ(*server->Tags().Find(1, 1, 1), 100);
    EXPECT_EQ(server->Port(), kStandinDefaultPort);
    EXPECT_NE(Read("zolsrv.log").find("not saved"), std::string::npos);
}

TEST_F(StandinServerTest, FailFaultReturnsItsCodeAndTouchesNoOut)
{
    std::string faults;
    for (const auto& op : kAddTagsOperations) faults += std::string("fail ") + op.name + " 0x80001234\n";
    Write("faults.txt", faults);
    Write("tags.txt", "1 1 1 100\n");
    Write("line.txt", "5 3 0 dev\n");
    auto server = Start();
    const HResult hr = static_cast<HResult>(0x80001234u);

    std::uint16_t port = 0xABCD;
    std::uint32_t u = 0xABCDEF01u, c = 0, t = 0xABCDEF01u, a = 0xABCDEF01u, p = 0xABCDEF01u;
    std::uint8_t b1 = 0xAB, b2 = 0xAB, b3 = 0xAB;
    std::int32_t type = -7;
    unsigned char text[kProbeTextSize];
    std::memset(text, 0x5A, sizeof text);

    EXPECT_EQ(server->AddTag(2, 2, 2, 1), hr);
    EXPECT_EQ(server->DeleteTag(1, 1, 1), hr);
    EXPECT_EQ(server->RestartServer(), hr);
    EXPECT_EQ(server->GetComSettings(&port, &u, &b1, &b2, &b3), hr);
    EXPECT_EQ(server->SetComSettings(3, 9600, 8, 0, 0), hr);
    EXPECT_EQ(server->EnumTags(&c, &t, &a, &p, &u, &u), hr);
    EXPECT_EQ(server->GetTagInfo(1, 1, 1, &t, &a), hr);
    EXPECT_EQ(server->ProbeDevice(5, text, &type), hr);
    EXPECT_EQ(server->Reserved(), hr);

    EXPECT_EQ(port, 0xABCD);
    EXPECT_EQ(u, 0xABCDEF01u);
    EXPECT_EQ(b1 + b2 + b3, 3 * 0xAB);
    EXPECT_EQ(c, 0u);
    EXPECT_EQ(t, 0xABCDEF01u);
    EXPECT_EQ(a, 0xABCDEF01u);
    EXPECT_EQ(p, 0xABCDEF01u);
    EXPECT_EQ(type, -7);
    EXPECT_EQ(text[0], 0x5A);
    EXPECT_EQ(m_restarts, 0);
    EXPECT_EQ(server->Tags().Size(), 1u) << "a failed call changes nothing";
    EXPECT_TRUE(m_sleeps.empty()) << "the failing probe does not play the line";
}

TEST_F(StandinServerTest, SlowAndDieFaultsAreAppliedInsideTheCall)
{
    Write("faults.txt", "slow GetComSettings 300\ndie AddTag\n");
    auto server = Start();
    std::uint16_t port;
    std::uint32_t baud;
    std::uint8_t b1, b2, b3;
    EXPECT_EQ(server->GetComSettings(&port, &baud, &b1, &b2, &b3), kS_OK);
    EXPECT_EQ(m_sleeps, (std::vector<std::uint32_t>{300}));
    EXPECT_TRUE(m_diedIn.empty());
    server->AddTag(1, 1, 1, 1);
    EXPECT_EQ(m_diedIn, (std::vector<int>{3}));
}

TEST_F(StandinServerTest, ProbePlaysTheSimulatedLine)
{
    std::string longText(150, 'L');
    Write("line.txt", "10 3 120 Meter 7\n11 77 0 " + longText + "\n");
    Write("faults.txt", "probe_timeout_ms 35\n");
    auto server = Start();
    unsigned char text[kProbeTextSize];
    std::int32_t type = -1;

    std::memset(text, 0x5A, sizeof text);
    EXPECT_EQ(server->ProbeDevice(10, text, &type), kS_OK);
    EXPECT_EQ(type, 3);
    EXPECT_STREQ(reinterpret_cast<char*>(text), "Meter 7");

    EXPECT_EQ(server->ProbeDevice(11, text, &type), kS_OK);
    EXPECT_EQ(type, 77);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(text)), longText.substr(0, 99)) << "cut to 99 + NUL";

    type = -1;
    std::memset(text, 0x5A, sizeof text);
    EXPECT_EQ(server->ProbeDevice(12, text, &type), kS_OK);
    EXPECT_EQ(type, 0) << "type written for an absent device";
    EXPECT_EQ(text[0], 0);

    type = -1;
    EXPECT_EQ(server->ProbeDevice(0, text, &type), kE_INVALIDARG);
    EXPECT_EQ(type, 0);
    EXPECT_EQ(server->ProbeDevice(256, text, &type), kE_INVALIDARG);

    EXPECT_EQ(m_sleeps, (std::vector<std::uint32_t>{120, 0, 35})) << "answer delays and the timeout";
}

TEST_F(StandinServerTest, UnterminatedProbeFillsTheWholeBuffer)
{
    Write("line.txt", "10 3 0 Meter\n");
    Write("faults.txt", "probe-unterminated\n");
    auto server = Start();
    unsigned char text[kProbeTextSize];
    std::int32_t type = 0;
    for (std::uint32_t address : {10u, 20u}) {
        std::memset(text, 0, sizeof text);
        server->ProbeDevice(address, text, &type);
        EXPECT_EQ(std::memchr(text, 0, sizeof text), nullptr) << address;
    }
    EXPECT_EQ(std::memcmp(text, "****", 4), 0);
}


TEST_F(StandinServerTest, NoRestartMarksAndClears)
{
    Write("faults.txt", "no-restart\n");
    {
        auto server = Start();
        EXPECT_FALSE(server->RefusesAfterRestart()) << "no restart has happened yet";
        EXPECT_EQ(server->RestartServer(), kS_OK);
    }
    EXPECT_TRUE(Start()->RefusesAfterRestart());
    EXPECT_TRUE(Start()->RefusesAfterRestart()) << "stays refused while the fault is set";
    Write("faults.txt", "");
    EXPECT_FALSE(Start()->RefusesAfterRestart());
    Write("faults.txt", "no-restart\n");
    EXPECT_FALSE(Start()->RefusesAfterRestart()) << "the mark went with the fault";
}


// restart-dies: the restart is carried out first (hook called), then the process ends
// inside the call; a plain die ends it before anything is done.
TEST_F(StandinServerTest, RestartDiesRestartsBeforeEnding)
{
    Write("faults.txt", "restart-dies\n");
    Start()->RestartServer();
    EXPECT_EQ(m_restarts, 1);
    EXPECT_EQ(m_diedIn, std::vector<int>{5});

    m_diedIn.clear();
    m_restarts = 0;
    Write("faults.txt", "die RestartServer\nfail RestartServer E_FAIL\n");
    EXPECT_EQ(Start()->RestartServer(), kE_FAIL);  // the test's die hook returns
    EXPECT_EQ(m_restarts, 0);
    EXPECT_EQ(m_diedIn, std::vector<int>{5});
}

TEST_F(StandinServerTest, NewConnectionRereadsFaultsAndFreshOneRereadsTags)
{
    auto server = Start();
    ASSERT_EQ(server->AddTag(1, 1, 1, 100), kS_OK);
    Write("faults.txt", "fail AddTag E_FAIL\n");
    Write("tags.txt", "4 4 4 4\n");
    server->BeginConnection(false);  // another client joins: the tags stay as held
    EXPECT_EQ(server->AddTag(2, 2, 2, 2), kE_FAIL);
    EXPECT_NE(server->Tags().Find(1, 1, 1), nullptr);
    server->BeginConnection(true);   // first client of a new session: files read anew
    EXPECT_EQ(server->Tags().Find(1, 1, 1), nullptr);
    EXPECT_NE(server->Tags().Find(4, 4, 4), nullptr);
}

TEST_F(StandinServerTest, StatusFileAndStateDirectoryChoice)
{
    auto server = Start();
    server->WriteStatus(1234, 2, "running");
    EXPECT_EQ(Read("status.txt"), "pid 1234\nobjects 2\nstate running\n");

    EXPECT_EQ(ResolveStateDirectory("/env", "/reg", "/exe"), fs::path("/env"));
    EXPECT_EQ(ResolveStateDirectory("", "/reg", "/exe"), fs::path("/reg"));
    EXPECT_EQ(ResolveStateDirectory("", "", "/exe"), fs::path("/exe") / "zolsrv-data");
}

}  // namespace

namespace {

class StandinTagFaultTest : public StandinServerTest {};

TEST_F(StandinTagFaultTest, TagFailuresDieAtACallAndNoSave)
{
    Write("tags.txt", "1 1 1 10000\n");
    Write("faults.txt",
          "fail AddTag E_INVALIDARG 1 5 14\n"
          "fail DeleteTag 0x80004005 1 1 1\n"
          "die AddTag 3\n"
          "no-save\n");
    auto server = Start();
    EXPECT_EQ(server->AddTag(1, 5, 13, 0), kS_OK);
    EXPECT_EQ(server->AddTag(1, 5, 14, 0), kE_INVALIDARG) << "that one tag is refused";
    EXPECT_TRUE(m_diedIn.empty());
    EXPECT_EQ(server->DeleteTag(1, 1, 1), kE_FAIL);
    EXPECT_EQ(server->DeleteTag(1, 5, 13), kS_OK) << "other tags are not";
    server->AddTag(1, 5, 15, 0);
    EXPECT_EQ(m_diedIn, (std::vector<int>{3})) << "the third AddTag dies";
    EXPECT_EQ(server->Tags().Size(), 2u);
    EXPECT_EQ(Read("tags.txt"), "1 1 1 10000\n") << "no-save leaves the file alone";
}

}  // namespace

TEST_F(StandinTagFaultTest, EnumTagsBreaksOffAfterNTagsInEveryWalk)
{
    Write("tags.txt", "1 1 1 10000\n1 1 2 10000\n1 1 3 10000\n1 1 4 10000\n");
    Write("faults.txt", "fail EnumTags 0x80004005 after 2\n");
    auto server = Start();
    for (int walk = 0; walk < 2; ++walk) {  // a new walk delivers the first two again
        std::uint32_t cursor = 0, type = 0, address = 0, param = 0, r1 = 0, r2 = 0;
        ASSERT_EQ(server->EnumTags(&cursor, &type, &address, &param, &r1, &r2), kS_OK);
        ASSERT_EQ(server->EnumTags(&cursor, &type, &address, &param, &r1, &r2), kS_OK);
        EXPECT_EQ(param, 2u);
        ASSERT_NE(cursor, 0u);
        EXPECT_EQ(server->EnumTags(&cursor, &type, &address, &param, &r1, &r2), kE_FAIL) << walk;
        EXPECT_EQ(cursor, 0u) << "the failing call ends the walk";
        EXPECT_EQ(param, 2u) << "and delivers nothing";
    }

    // A success code, another operation or a bad count is no such fault.
    SkipLog skipped;
    std::istringstream in("fail EnumTags S_OK after 2\nfail AddTag E_FAIL after 2\nfail EnumTags E_FAIL after x\n"
                          "fail EnumTags E_FAIL before 2\n");
    EXPECT_FALSE(ParseFaultsFile(in, skipped).enumBreak.has_value());
    EXPECT_EQ(skipped.size(), 4u);
}
