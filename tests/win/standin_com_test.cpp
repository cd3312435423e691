// zolsrv.exe through real COM: every operation over the proxy, persistence across
// RestartServer, each fault, bad arguments, corrupt state files and the object count.
#include <cstring>
#include <string>
#include <vector>

#include "standin_support.h"

using namespace standin_test;

namespace {

struct Walked {
    ULONG type, address, param;
    bool operator==(const Walked& o) const
    {
        return type == o.type && address == o.address && param == o.param;
    }
};

// The configurator's walk, with a guard against a walk that never ends.
std::vector<Walked> WalkTags(IAddTags* tags, HRESULT* firstFailure = nullptr, int limit = 100)
{
    std::vector<Walked> seen;
    ULONG cursor = 0, r1 = 0, r2 = 0;
    do {
        Walked w{};
        const HRESULT hr = tags->EnumTags(&cursor, &w.type, &w.address, &w.param, &r1, &r2);
        if (FAILED(hr)) {
            if (firstFailure) *firstFailure = hr;
            break;
        }
        seen.push_back(w);
    } while (cursor != 0 && static_cast<int>(seen.size()) < limit);
    return seen;
}

class StandinCom : public StandinTest {};

TEST_F(StandinCom, EveryOperationThroughTheProxy)
{
    IAddTags* tags = ConnectOrFail();
    ASSERT_NE(tags, nullptr);

    HRESULT failure = S_OK;
    EXPECT_TRUE(WalkTags(tags, &failure).empty());
    EXPECT_TRUE(FAILED(failure)) << "no tags: the first EnumTags fails";

    EXPECT_EQ(tags->AddTag(3, 17, 2, 20000000), S_OK);
    EXPECT_EQ(tags->AddTag(1, 200, 9, 10000LL * 1000000), S_OK);
    EXPECT_EQ(tags->AddTag(3, 5, 1, 0), S_OK);
    EXPECT_EQ(tags->AddTag(3, 17, 2, 30000000), S_OK) << "existing tag: period set";
    EXPECT_EQ(tags->AddTag(2, 2, 2, 0), S_OK);
    EXPECT_EQ(tags->DeleteTag(2, 2, 2), S_OK);
    EXPECT_TRUE(FAILED(tags->DeleteTag(2, 2, 2)));

    const std::vector<Walked> expected = {{1, 200, 9}, {3, 5, 1}, {3, 17, 2}};
    EXPECT_EQ(WalkTags(tags), expected);

    ULONG low = 1, high = 1;
    ASSERT_EQ(tags->GetTagInfo(3, 17, 2, &low, &high), S_OK);
    EXPECT_EQ(low, 30000000u);
    EXPECT_EQ(high, 0u);
    ASSERT_EQ(tags->GetTagInfo(1, 200, 9, &low, &high), S_OK);
    EXPECT_EQ((static_cast<ULONGLONG>(high) << 32) | low, 10000ULL * 1000000);
    EXPECT_TRUE(FAILED(tags->GetTagInfo(9, 9, 9, &low, &high)));

    unsigned short port = 0;
    ULONG baud = 0;
    unsigned char bits = 0, stop = 9, parity = 9;
    ASSERT_EQ(tags->GetComSettings(&port, &baud, &bits, &stop, &parity), S_OK);
    EXPECT_EQ(port, 1);
    EXPECT_EQ(baud, 9600u);
    EXPECT_EQ(bits, 8);
    EXPECT_EQ(stop, 0);
    EXPECT_EQ(parity, 0);
    ASSERT_EQ(tags->SetComSettings(3, 115200, 7, 2, 4), S_OK);
    ASSERT_EQ(tags->GetComSettings(&port, &baud, &bits, &stop, &parity), S_OK);
    EXPECT_EQ(port, 3);
    EXPECT_EQ(baud, 115200u);
    EXPECT_EQ(bits, 7);
    EXPECT_EQ(stop, 2);
    EXPECT_EQ(parity, 4);

    EXPECT_EQ(tags->Reserved(), E_NOTIMPL);
}

}  // namespace

namespace {

ULONGLONG Since(ULONGLONG start) { return GetTickCount64() - start; }

TEST_F(StandinCom, BadArgumentsGetInvalidArgAndChangeNothing)
{
    Write("tags.txt", "1 1 1 100\n");
    Write("port.txt", "2 19200 8 0 0\n");
    IAddTags* tags = ConnectOrFail();
    ASSERT_NE(tags, nullptr);
    const std::string tagsFile = Read("tags.txt");
    const std::string portFile = Read("port.txt");

    struct Case { const char* what; HRESULT hr; } cases[] = {
        {"type 0", tags->AddTag(0, 1, 1, 100)},
        {"address 0", tags->AddTag(1, 0, 1, 100)},
        {"param 0", tags->AddTag(1, 1, 0, 100)},
        {"type 256", tags->AddTag(256, 1, 1, 100)},
        {"negative period", tags->AddTag(1, 1, 1, -5)},
        {"delete type 0", tags->DeleteTag(0, 1, 1)},
        {"info param 0", [&] { ULONG l, h; return tags->GetTagInfo(1, 1, 0, &l, &h); }()},
        {"data bits 4", tags->SetComSettings(3, 9600, 4, 0, 0)},
        {"data bits 9", tags->SetComSettings(3, 9600, 9, 0, 0)},
        {"stop code 3", tags->SetComSettings(3, 9600, 8, 3, 0)},
        {"parity 5", tags->SetComSettings(3, 9600, 8, 0, 5)},
    };
    for (const auto& c : cases) EXPECT_EQ(c.hr, E_INVALIDARG) << c.what;

    EXPECT_EQ(WalkTags(tags), (std::vector<Walked>{{1, 1, 1}}));
    ULONG low = 0, high = 0;
    ASSERT_EQ(tags->GetTagInfo(1, 1, 1, &low, &high), S_OK);
    EXPECT_EQ(low, 100u);
    unsigned short port = 0;
    ULONG baud = 0;
    unsigned char bits = 0, stop = 0, parity = 0;
    ASSERT_EQ(tags->GetComSettings(&port, &baud, &bits, &stop, &parity), S_OK);
    EXPECT_EQ(port, 2);
    EXPECT_EQ(baud, 19200u);
    EXPECT_EQ(Read("tags.txt"), tagsFile);
    EXPECT_EQ(Read("port.txt"), portFile);
}

TEST_F(StandinCom, ProbeAnswersFromTheSimulatedLine)
{
    const std::string longText(150, 'x');
    Write("line.txt", "10 3 150 \xD1\xF7\xE5\xF2\xF7\xE8\xEA 7\n11 77 0 " + longText + "\n");
    IAddTags* tags = ConnectOrFail();
    ASSERT_NE(tags, nullptr);
    unsigned char text[100];
    LONG type = -1;

    ULONGLONG start = GetTickCount64();
    ASSERT_EQ(tags->ProbeDevice(10, text, &type), S_OK);
    EXPECT_GE(Since(start), 140u) << "the device answers after its delay";
    EXPECT_EQ(type, 3);
    EXPECT_STREQ(reinterpret_cast<char*>(text), "\xD1\xF7\xE5\xF2\xF7\xE8\xEA 7");

    ASSERT_EQ(tags->ProbeDevice(11, text, &type), S_OK);
    EXPECT_EQ(type, 77);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(text)), longText.substr(0, 99));

    type = -1;
    start = GetTickCount64();
    ASSERT_EQ(tags->ProbeDevice(12, text, &type), S_OK);
    EXPECT_GE(Since(start), 40u) << "an absent address costs the default 50 ms timeout";
    EXPECT_EQ(type, 0);
    EXPECT_EQ(tags->ProbeDevice(0, text, &type), E_INVALIDARG);
    EXPECT_EQ(type, 0);
}

TEST_F(StandinCom, ChangesSurviveRestartServer)
{
    IAddTags* tags = ConnectOrFail();
    ASSERT_NE(tags, nullptr);
    ASSERT_EQ(tags->AddTag(4, 9, 1, 20000000), S_OK);
    ASSERT_EQ(tags->AddTag(4, 9, 2, 50000), S_OK);
    ASSERT_EQ(tags->SetComSettings(5, 38400, 6, 1, 2), S_OK);
    const unsigned long firstPid = Status().pid;

    const ULONGLONG start = GetTickCount64();
    EXPECT_EQ(tags->RestartServer(), S_OK) << "RestartServer answers before the process ends";
    ASSERT_TRUE(WaitForServerExit(Home(), 3000)) << "the restarted server must end";
    EXPECT_LT(Since(start), 2000u);
    EXPECT_EQ(Status().objects, 0) << "the old connection's object went with the process";
    // Like the configurator after a restart: a new connection, the old pointer not used.
    IAddTags* again = nullptr;
    ASSERT_EQ(Connect(&again), S_OK);
    EXPECT_NE(Status().pid, firstPid) << "a new process";
    EXPECT_EQ(WalkTags(again), (std::vector<Walked>{{4, 9, 1}, {4, 9, 2}}));
    unsigned short port = 0;
    ULONG baud = 0;
    unsigned char bits = 0, stop = 0, parity = 0;
    ASSERT_EQ(again->GetComSettings(&port, &baud, &bits, &stop, &parity), S_OK);
    EXPECT_EQ(port, 5);
    EXPECT_EQ(baud, 38400u);
    EXPECT_EQ(bits, 6);
    EXPECT_EQ(stop, 1);
    EXPECT_EQ(parity, 2);
    again->Release();
    ASSERT_TRUE(WaitForServerExit(Home()));
}

// The server ends 200 ms after its last object goes and 300 ms after a restart is asked,
// looking every 50 ms. That it did NOT end has no event to wait for: the one wait of time
// in these tests outlasts twice the longer grace.
void OutlastTheServersGrace() { Sleep(ScaledMs(600)); }

TEST_F(StandinCom, LiveObjectCountReachesZeroAndTheServerEnds)
{
    IAddTags* first = nullptr;
    IAddTags* second = nullptr;
    ASSERT_EQ(Connect(&first), S_OK);
    ASSERT_EQ(Connect(&second), S_OK);
    EXPECT_EQ(Status().objects, 2);
    EXPECT_EQ(Status().state, "running");
    first->Release();
    EXPECT_EQ(Status().objects, 1);
    OutlastTheServersGrace();
    unsigned short port = 0;
    ULONG baud = 0;
    unsigned char b = 0, s = 0, p = 0;
    EXPECT_EQ(second->GetComSettings(&port, &baud, &b, &s, &p), S_OK) << "still served";
    const unsigned long pid = Status().pid;
    second->Release();
    ASSERT_TRUE(WaitForServerExit(Home(), 3000));
    const ServerStatus status = Status();
    EXPECT_EQ(status.pid, pid);
    EXPECT_EQ(status.objects, 0);
    EXPECT_EQ(status.state, "exited");
}

TEST_F(StandinCom, ClassAndInstanceRefusalsAreFast)
{
    Write("faults.txt", "class CLASS_E_CLASSNOTAVAILABLE\n");
    IAddTags* tags = nullptr;
    ULONGLONG start = GetTickCount64();
    EXPECT_EQ(Connect(&tags), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(tags, nullptr);
    EXPECT_LT(Since(start), 3000u) << "a cold refusal costs one start-up, not Wine's 30 s wait";

    Write("faults.txt", "instance 0x80004002\n");
    start = GetTickCount64();
    EXPECT_EQ(Connect(&tags), E_NOINTERFACE);
    EXPECT_LT(Since(start), 3000u);

    // The first connection through, the next one refused, in the same process.
    Write("faults.txt", "");
    IAddTags* held = ConnectOrFail();
    ASSERT_NE(held, nullptr);
    Write("faults.txt", "instance E_ACCESSDENIED\n");
    EXPECT_EQ(Connect(&tags), E_ACCESSDENIED);
    Write("faults.txt", "class E_FAIL\n");
    EXPECT_EQ(Connect(&tags), E_FAIL);
    EXPECT_EQ(held->AddTag(1, 1, 1, 1), S_OK) << "the connection let through still works";
    EXPECT_EQ(Status().objects, 1);
}

TEST_F(StandinCom, RefusalOfTheNextProcess)
{
    IAddTags* tags = ConnectOrFail();
    ASSERT_NE(tags, nullptr);
    Write("faults.txt", "class REGDB_E_CLASSNOTREG\n");
    ReleaseAll();
    IAddTags* next = nullptr;
    const ULONGLONG start = GetTickCount64();
    EXPECT_EQ(Connect(&next), REGDB_E_CLASSNOTREG);
    EXPECT_LT(Since(start), 3000u);
}

TEST_F(StandinCom, FailFaultForEveryOperation)
{
    std::string faults;
    for (const char* op : {"AddTag", "DeleteTag", "RestartServer", "GetComSettings", "SetComSettings",
                           "EnumTags", "GetTagInfo", "ProbeDevice"}) {
        char line[80];
        std::snprintf(line, sizeof line, "fail %s 0x8000AA%02X\n", op,
                      static_cast<unsigned>(std::strlen(op)));
        faults += line;
    }
    Write("faults.txt", faults);
    Write("tags.txt", "1 1 1 100\n");
    Write("line.txt", "5 3 0 dev\n");
    IAddTags* tags = ConnectOrFail();
    ASSERT_NE(tags, nullptr);
    auto code = [](const char* op) {
        return static_cast<HRESULT>(0x8000AA00u + static_cast<unsigned>(std::strlen(op)));
    };

    ULONG cursor = 0, t = 0, a = 0, p = 0, r = 0, low = 0, high = 0, baud = 0;
    unsigned short port = 0;
    unsigned char b = 0, s = 0, par = 0, text[100] = {};
    LONG type = 0;
    EXPECT_EQ(tags->AddTag(2, 2, 2, 1), code("AddTag"));
    EXPECT_EQ(tags->DeleteTag(1, 1, 1), code("DeleteTag"));
    EXPECT_EQ(tags->GetComSettings(&port, &baud, &b, &s, &par), code("GetComSettings"));
    EXPECT_EQ(tags->SetComSettings(3, 9600, 8, 0, 0), code("SetComSettings"));
    EXPECT_EQ(tags->EnumTags(&cursor, &t, &a, &p, &r, &r), code("EnumTags"));
    EXPECT_EQ(tags->GetTagInfo(1, 1, 1, &low, &high), code("GetTagInfo"));
    EXPECT_EQ(tags->ProbeDevice(5, text, &type), code("ProbeDevice"));
    EXPECT_EQ(tags->RestartServer(), code("RestartServer"));
    OutlastTheServersGrace();
    EXPECT_EQ(tags->AddTag(2, 2, 2, 1), code("AddTag")) << "a failed restart leaves the server running";

    EXPECT_EQ(Read("tags.txt"), "1 1 1 100\n") << "nothing written";
}

TEST_F(StandinCom, SlowFaultDelaysTheCall)
{
    Write("faults.txt", "slow GetComSettings 400\n");
    IAddTags* tags = ConnectOrFail();
    ASSERT_NE(tags, nullptr);
    unsigned short port = 0;
    ULONG baud = 0;
    unsigned char b = 0, s = 0, p = 0;
    const ULONGLONG start = GetTickCount64();
    EXPECT_EQ(tags->GetComSettings(&port, &baud, &b, &s, &p), S_OK);
    EXPECT_GE(Since(start), 390u);
    EXPECT_EQ(baud, 9600u);
}

TEST_F(StandinCom, EndlessWalkCyclesThroughItsTags)
{
    Write("tags.txt", "2 1 1 0\n1 1 1 0\n");
    Write("faults.txt", "enum-endless\n");
    IAddTags* tags = ConnectOrFail();
    ASSERT_NE(tags, nullptr);
    ULONG cursor = 0, r = 0;
    std::vector<ULONG> types;
    for (int i = 0; i < 5; ++i) {
        ULONG t = 0, a = 0, p = 0;
        ASSERT_EQ(tags->EnumTags(&cursor, &t, &a, &p, &r, &r), S_OK);
        EXPECT_NE(cursor, 0u);
        types.push_back(t);
    }
    EXPECT_EQ(types, (std::vector<ULONG>{1, 2, 1, 2, 1})) << "a tag already delivered comes again";
}

TEST_F(StandinCom, UnterminatedProbeTextReachesTheClient)
{
    Write("line.txt", "10 3 0 Meter\n");
    Write("faults.txt", "probe-unterminated\nprobe_timeout_ms 5\n");
    IAddTags* tags = ConnectOrFail();
    ASSERT_NE(tags, nullptr);
    unsigned char text[100];
    LONG type = 0;
    std::memset(text, 0, sizeof text);
    ASSERT_EQ(tags->ProbeDevice(10, text, &type), S_OK);
    EXPECT_EQ(type, 3);
    EXPECT_EQ(std::memchr(text, 0, sizeof text), nullptr);
    EXPECT_EQ(std::memcmp(text, "Meter*", 6), 0);
}

TEST_F(StandinCom, ProbeTimeoutIsConfigurable)
{
    Write("faults.txt", "probe_timeout_ms 300\n");
    IAddTags* tags = ConnectOrFail();
    ASSERT_NE(tags, nullptr);
    unsigned char text[100];
    LONG type = -1;
    const ULONGLONG start = GetTickCount64();
    ASSERT_EQ(tags->ProbeDevice(200, text, &type), S_OK);
    EXPECT_GE(Since(start), 290u);
    EXPECT_EQ(type, 0);
}

TEST_F(StandinCom, DieFaultEndsTheServerInsideTheCall)
{
    Write("faults.txt", "die AddTag\n");
    IAddTags* tags = nullptr;
    ASSERT_EQ(Connect(&tags), S_OK);
    const unsigned long pid = Status().pid;
    const ULONGLONG start = GetTickCount64();
    const HRESULT hr = tags->AddTag(1, 2, 3, 4);
    EXPECT_TRUE(FAILED(hr)) << "the caller sees the call break, got 0x" << std::hex << hr;
    EXPECT_LT(Since(start), 3000u);
    ASSERT_TRUE(WaitForServerExit(Home(), 3000));
    EXPECT_EQ(Status().state, "died");
    tags->Release();  // a proxy to a dead server: releasing it must not hang

    Write("faults.txt", "");
    IAddTags* again = ConnectOrFail();
    ASSERT_NE(again, nullptr) << "the next connection starts a new server";
    EXPECT_NE(Status().pid, pid);
    HRESULT failure = S_OK;
    EXPECT_TRUE(WalkTags(again, &failure).empty()) << "the call that died stored nothing";
}

TEST_F(StandinCom, NoRestartRefusesTheNextConnection)
{
    Write("faults.txt", "no-restart\n");
    IAddTags* tags = ConnectOrFail();
    ASSERT_NE(tags, nullptr);
    EXPECT_EQ(tags->RestartServer(), S_OK);
    ReleaseAll();

    IAddTags* next = nullptr;
    ULONGLONG start = GetTickCount64();
    EXPECT_TRUE(FAILED(Connect(&next)));
    EXPECT_LT(Since(start), 3000u);
    start = GetTickCount64();
    EXPECT_TRUE(FAILED(Connect(&next))) << "and stays refused";
    EXPECT_LT(Since(start), 3000u);

    Write("faults.txt", "");
    IAddTags* back = ConnectOrFail();
    EXPECT_NE(back, nullptr) << "served again once the fault is gone";
}

// A process that hangs on its way out would answer the next test's activation in place of
// a new one: it ends after ten seconds whatever holds it.
TEST_F(StandinCom, AnEndThatHangsStillEndsTheProcess)
{
    Write("faults.txt", "exit-hangs\n");
    IAddTags* tags = nullptr;
    ASSERT_EQ(Connect(&tags), S_OK);
    tags->Release();
    const ULONGLONG released = GetTickCount64();
    EXPECT_TRUE(WaitForServerExit(Home(), 30000));
    EXPECT_GE(Since(released), 9000u) << "the process hung as the fault says before it ended";
    EXPECT_NE(Read("zolsrv.log").find("exit took over 10 s: ended"), std::string::npos);
    EXPECT_NE(Status().state, "exited");
}

TEST_F(StandinCom, CorruptStateFilesAreSkippedAndLogged)
{
    Write("tags.txt", "3 3 3 30000\n\x01\x02\x03 binary junk \xFF\xFE\n3 3\n-1 2 3 4\n");
    Write("port.txt", "COM3 fast\n");
    Write("line.txt", "9 2 0 fine\nnine 2 0 broken\n");
    Write("faults.txt", "explode\nslow Nothing 5\n");
    IAddTags* tags = ConnectOrFail();
    ASSERT_NE(tags, nullptr);
    EXPECT_EQ(WalkTags(tags), (std::vector<Walked>{{3, 3, 3}}));
    unsigned short port = 0;
    ULONG baud = 0;
    unsigned char b = 0, s = 0, p = 0;
    ASSERT_EQ(tags->GetComSettings(&port, &baud, &b, &s, &p), S_OK);
    EXPECT_EQ(port, 1) << "defaults for an unusable port.txt";
    unsigned char text[100];
    LONG type = 0;
    ASSERT_EQ(tags->ProbeDevice(9, text, &type), S_OK);
    EXPECT_EQ(type, 2);
    const std::string log = Read("zolsrv.log");
    for (const char* expected : {"tags.txt:2:", "tags.txt:3:", "tags.txt:4:", "port.txt:1:",
                                 "line.txt:2:", "faults.txt:1:", "faults.txt:2:"})
        EXPECT_NE(log.find(expected), std::string::npos) << expected << " in\n" << log;
}

TEST_F(StandinCom, StateDirectoryCanBeSwitchedBetweenRuns)
{
    const fs::path other = Home().parent_path() / (Home().filename().wstring() + L"-other");
    std::error_code ignored;
    fs::remove_all(other, ignored);
    ASSERT_TRUE(RegisterHome(other));
    IAddTags* tags = nullptr;
    ASSERT_EQ(Connect(&tags), S_OK);
    EXPECT_EQ(tags->AddTag(7, 7, 7, 7), S_OK);
    tags->Release();
    EXPECT_TRUE(WaitForServerExit(other));
    EXPECT_EQ(ReadText(other / "tags.txt").find("7 7 7 7"), std::string("# type address param period(100ns)\n").size());
    EXPECT_FALSE(fs::exists(Home() / "tags.txt"));

    ASSERT_TRUE(RegisterHome(Home()));
    IAddTags* back = ConnectOrFail();
    ASSERT_NE(back, nullptr);
    HRESULT failure = S_OK;
    EXPECT_TRUE(WalkTags(back, &failure).empty()) << "the tags stayed in the other directory";
    fs::remove_all(other, ignored);
}

}  // namespace
