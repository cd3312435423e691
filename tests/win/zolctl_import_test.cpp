// zolctl export and import against the stand-in server: round trips, a spreadsheet's file,
// refusals, invalid rows, a server that dies in the middle, deletion only when confirmed.
#include <algorithm>
#include <string>

#include "ServerFiles.h"
#include "StandinFixture.h"
#include "zolctl_support.h"

namespace {

const char kTags[] = "1 5 14 20000000\n1 5 2 10000\n7 12 3 0\n";

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class ZolctlImport : public ZolctlTest {
protected:
    std::wstring File(const std::string& name) { return Scratch(name).wstring(); }
};

TEST_F(ZolctlImport, ExportWritesTheDefaultFormatAndDryRunFindsEverythingUnchanged)
{
    standin::Reset(kTags);
    CtlRun r = Ctl({L"export", File("all.csv")});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "exported 3 tags to " + Scratch("all.csv").u8string() + "\n");
    EXPECT_EQ(ReadFile(Scratch("all.csv")),
              u8"\xEF\xBB\xBF"
              u8"device;address;type;param;name;period_ms\r\n"
              u8"PM3F;5;1;2;PM3F(005).Voltage.A;1\r\n"
              u8"PM3F;5;1;14;PM3F(005).Frequency;2000\r\n"
              u8"Счётчик;12;7;3;Счётчик(012).Энергия.Сумма;0\r\n");

    r = Ctl({L"import", File("all.csv"), L"--dry-run", L"--replace", L"--strict"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "plan: add 0, change 0, unchanged 3, delete 0\n");
    EXPECT_EQ(r.err, "dry run: nothing was sent\n");

    // One device, Windows-1251, commas.
    r = Ctl({L"export", File("one.csv"), L"--device", L"7", L"12", L"--encoding", L"cp1251", L"--sep", L","});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(ReadFile(Scratch("one.csv")),
              "device,address,type,param,name,period_ms\r\nСчётчик,12,7,3,Счётчик(012).Энергия.Сумма,0\r\n");
}

TEST_F(ZolctlImport, ExportImportIntoAnEmptyServerAndExportAgainGiveTheSameBytes)
{
    standin::Reset(kTags);
    ASSERT_EQ(Ctl({L"export", File("first.csv")}).code, 0);
    standin::Reset();
    CtlRun r = Ctl({L"import", File("first.csv")});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(Has(r.out, "plan: add 3, change 0, unchanged 0, delete 0\n")) << r.out;
    EXPECT_TRUE(Has(r.out, "added 3, changed 0, deleted 0, unchanged 0, refused 0, invalid rows 0\n")) << r.out;
    ASSERT_EQ(Ctl({L"export", File("second.csv")}).code, 0);
    EXPECT_EQ(ReadFile(Scratch("second.csv")), ReadFile(Scratch("first.csv")));
}

TEST_F(ZolctlImport, ASpreadsheetsFileImportsTheSameTags)
{
    // Windows-1251, ';', quoted names with ';' inside, LF, a changed period, a comment.
    WriteFile(Scratch("sheet.csv"),
              "device;address;type;param;name;period_ms\n"
              "PM3F;5;1;2;\"PM3F(005).Voltage.A\";1\n"
              "# edited by hand\n"
              "\"PM3F\";5;1;14;\"PM3F(005).Frequency\";1500\n"
              "Счётчик;12;7;3;\"Счётчик(012).Энергия.Сумма\";0\n"
              "Счётчик;13;7;3;\"note; not the name\";250\n");
    standin::Reset("1 5 14 20000000\n");
    const CtlRun r = Ctl({L"import", File("sheet.csv")});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out,
              u8"add;5;1;2;PM3F(005).Voltage.A;1\n"
              u8"add;12;7;3;Счётчик(012).Энергия.Сумма;0\n"
              u8"add;13;7;3;Счётчик(013).Энергия.Сумма;250\n"
              u8"change;5;1;14;PM3F(005).Frequency;1500;2000\n"
              u8"plan: add 3, change 1, unchanged 0, delete 0\n"
              u8"added 3, changed 1, deleted 0, unchanged 0, refused 0, invalid rows 0\n");
    EXPECT_EQ(r.err, Scratch("sheet.csv").u8string() +
                         u8":6: warning: name 'note; not the name' differs from the descriptions' "
                         u8"'Счётчик(013).Энергия.Сумма'\n");
    EXPECT_EQ(ServerTags(), (std::vector<std::string>{"1 5 14 15000000", "1 5 2 10000", "7 12 3 0", "7 13 3 2500000"}));
}

TEST_F(ZolctlImport, RefusedAndInvalidRowsAreReportedAndTheRestIsDone)
{
    WriteFile(Scratch("mixed.csv"),
              "device;address;type;param;name;period_ms\r\n"
              ";1;1;1;;100\r\n"
              ";2;1;1;;100\r\n"
              ";3;1;1;;1.5\r\n"
              ";4;1;1;;100\r\n"
              ";4;1;1;;200\r\n"
              ";5;0;1;;100\r\n"
              ";6;1;1;;100\r\n");
    standin::SetFaults("fail AddTag E_INVALIDARG 1 2 1\n");
    const CtlRun r = Ctl({L"import", File("mixed.csv")});
    EXPECT_EQ(r.code, 1);
    const std::string f = Scratch("mixed.csv").u8string();
    EXPECT_EQ(r.err, f + ":4: period_ms '1.5' is not a whole number of milliseconds from 0 to 86400000\n" +
                         f + ":5: the same tag is on line 6 with another period\n" +
                         f + ":6: the same tag is on line 5 with another period\n" +
                         f + ":7: type '0' is not a number from 1 to 255\n"
                             "refused: add tag type 1 address 2 param 1 (" + f + ":3): invalid argument (0x80070057)\n");
    EXPECT_TRUE(Has(r.out, "added 2, changed 0, deleted 0, unchanged 0, refused 1, invalid rows 4\n")) << r.out;
    EXPECT_EQ(ServerTags(), (std::vector<std::string>{"1 1 1 1000000", "1 6 1 1000000"}));
}

TEST_F(ZolctlImport, AServerThatDiesDuringTheImportIsReportedWithWhatWasDone)
{
    WriteFile(Scratch("five.csv"), "address;type;param;period_ms\n1;1;1;0\n2;1;1;0\n3;1;1;0\n4;1;1;0\n5;1;1;0\n");
    standin::SetFaults("die AddTag 3\n");
    const CtlRun r = Ctl({L"import", File("five.csv")});
    EXPECT_EQ(r.code, 3);
    EXPECT_TRUE(Has(r.out, "added 2, changed 0, deleted 0, unchanged 0, refused 0, invalid rows 0\n")) << r.out;
    EXPECT_TRUE(Has(r.err, "the server went away during the import (")) << r.err;
    EXPECT_TRUE(Has(r.err, "3 of 5 calls were not made or not confirmed")) << r.err;
    standin::ClearFaults();
    EXPECT_EQ(ServerTags(), (std::vector<std::string>{"1 1 1 0", "1 2 1 0"}));
}

TEST_F(ZolctlImport, ReplaceDeletesOnlyWhenConfirmed)
{
    standin::Reset(kTags);
    WriteFile(Scratch("keep.csv"), "device;address;type;param;name;period_ms\n;5;1;14;;2000\n");
    CtlRun r = Ctl({L"import", File("keep.csv"), L"--replace"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, u8"delete;5;1;2;PM3F(005).Voltage.A\n"
                     u8"delete;12;7;3;Счётчик(012).Энергия.Сумма\n"
                     u8"plan: add 0, change 0, unchanged 1, delete 2\n");
    EXPECT_TRUE(Has(r.err, "2 tags would be deleted: nothing was done; run again with --yes")) << r.err;
    EXPECT_EQ(ServerTags().size(), 3u);

    standin::SetFaults("fail DeleteTag E_ACCESSDENIED 7 12 3\n");
    r = Ctl({L"import", File("keep.csv"), L"--replace", L"--yes"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(Has(r.out, "added 0, changed 0, deleted 1, unchanged 1, refused 1, invalid rows 0\n")) << r.out;
    EXPECT_TRUE(Has(r.err, "refused: delete tag type 7 address 12 param 3: access denied (0x80070005)\n")) << r.err;
    EXPECT_EQ(ServerTags(), (std::vector<std::string>{"1 5 14 20000000", "7 12 3 0"}));
}

TEST_F(ZolctlImport, BadFilesAndAnEndlessServer)
{
    CtlRun r = Ctl({L"import", File("missing.csv")});
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.err, "cannot read " + Scratch("missing.csv").u8string() + ": no such file\n");
    WriteFile(Scratch("noheader.csv"), "1;5;1;14;x;100\n");
    r = Ctl({L"import", File("noheader.csv")});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(Has(r.err, ":1: no header line naming the columns")) << r.err;

    standin::Reset(kTags);
    standin::SetFaults("enum-endless\n");
    r = Ctl({L"export", File("endless.csv")});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(Has(r.err, "the server did not end its tag list (a tag came round a second time)")) << r.err;
    const std::string file = ReadFile(Scratch("endless.csv"));
    EXPECT_EQ(std::count(file.begin(), file.end(), '\n'), 4) << file;
}

TEST_F(ZolctlImport, OddServerValuesAreExportedWithAWarning)
{
    standin::Reset("1 5 14 15000\n1 255 65535 0\n");
    const CtlRun r = Ctl({L"export", File("odd.csv")});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(Has(r.err, "warning: tag type 1 address 5 param 14: period 1.5 ms is not a whole number of milliseconds\n"))
        << r.err;
    EXPECT_TRUE(Has(r.err, "warning: tag type 1 address 255 param 65535: address 255 is outside 1..247; param 65535 is outside 1..65534\n"))
        << r.err;
    // Named by the tree's rule, as every tag is, out of range or not.
    const std::string written = ReadFile(Scratch("odd.csv"));
    EXPECT_TRUE(Has(written, u8"PM3F;5;1;14;PM3F(005).Frequency;1.5\r\nPM3F;255;1;65535;PM3F(255).Параметр 65535;0\r\n"))
        << written;
}

// Export writes periods that import refuses (they are no fault while the server holds
// them so); once the server holds others, a replace must still keep those tags.
TEST_F(ZolctlImport, ReplaceKeepsTheTagsOfInvalidRowsAndWithoutSkipInvalidChangesNothing)
{
    standin::Reset("1 1 1 10001\n1 1 2 20000000\n1 1 3 1000000000000\n");
    CtlRun r = Ctl({L"export", File("odd.csv")});
    ASSERT_EQ(r.code, 0) << r.err;
    standin::Reset("1 1 1 10002\n1 1 2 20000000\n1 1 3 1000000000001\n1 1 4 0\n");
    const std::vector<std::string> before = ServerTags();

    r = Ctl({L"import", File("odd.csv"), L"--replace", L"--yes"});
    EXPECT_EQ(r.code, 1);
    const std::string f = Scratch("odd.csv").u8string();
    EXPECT_TRUE(Has(r.err, f + ":2: period_ms '1.0001' is not a whole number")) << r.err;
    EXPECT_TRUE(Has(r.err, f + ":4: period_ms '100000000' is not a whole number")) << r.err;
    EXPECT_TRUE(Has(r.err, "2 invalid rows: nothing was changed;")) << r.err;
    EXPECT_FALSE(Has(r.out, "added ")) << r.out;
    EXPECT_EQ(ServerTags(), before);

    // The dry run shows what would be done: the tag no row names goes, the others stay.
    r = Ctl({L"import", File("odd.csv"), L"--replace", L"--dry-run"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(Has(r.out, "delete;1;1;4;")) << r.out;
    EXPECT_TRUE(Has(r.out, "keep;1;1;1;") && Has(r.out, "keep;1;1;3;")) << r.out;
    EXPECT_TRUE(Has(r.out, "plan: add 0, change 0, unchanged 1, delete 1\n")) << r.out;
    EXPECT_EQ(ServerTags(), before);

    r = Ctl({L"import", File("odd.csv"), L"--replace", L"--yes", L"--skip-invalid"});
    EXPECT_EQ(r.code, 1) << "invalid rows are still reported";
    EXPECT_TRUE(Has(r.out, "added 0, changed 0, deleted 1, unchanged 1, refused 0, invalid rows 2\n")) << r.out;
    EXPECT_EQ(ServerTags(), (std::vector<std::string>{"1 1 1 10002", "1 1 2 20000000", "1 1 3 1000000000001"}));
}

TEST_F(ZolctlImport, ReplaceKeepsTagsOfConflictingTypoAndStrictlyMisnamedRows)
{
    const struct {
        const char* what;
        std::string rows;
        std::vector<std::wstring> options;
    } cases[] = {
        {"a tag twice with different periods", ";1;1;3;;100\n;1;1;3;;200\n", {}},
        {"a period typo", ";1;1;3;;2000.5\n", {}},
        {"a name that differs, strict", "PM3F;1;1;3;Wrong;3000\n", {L"--strict"}},
    };
    for (const auto& c : cases) {
        standin::Reset("1 1 2 20000000\n1 1 3 30000000\n1 1 4 0\n");
        WriteFile(Scratch("case.csv"), "device;address;type;param;name;period_ms\n;1;1;2;;2000\n" + c.rows);
        std::vector<std::wstring> args = {L"import", File("case.csv"), L"--replace", L"--yes"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        CtlRun r = Ctl(args);
        EXPECT_EQ(r.code, 1) << c.what;
        EXPECT_TRUE(Has(r.err, "invalid rows: nothing was changed;")) << c.what << "\n" << r.err;
        EXPECT_EQ(ServerTags().size(), 3u) << c.what;

        args.push_back(L"--skip-invalid");
        r = Ctl(args);
        EXPECT_EQ(r.code, 1) << c.what;
        EXPECT_EQ(ServerTags(), (std::vector<std::string>{"1 1 2 20000000", "1 1 3 30000000"})) << c.what << "\n" << r.out;
    }
}

TEST_F(ZolctlImport, AFailingTagListNeverReplacesAnExportOfTagsUnasked)
{
    standin::Reset(kTags);
    ASSERT_EQ(Ctl({L"export", File("prev.csv")}).code, 0);
    const std::string good = ReadFile(Scratch("prev.csv"));
    standin::SetFaults("fail EnumTags 0x80004005\n");

    CtlRun r = Ctl({L"export", File("prev.csv")});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(Has(r.err, "warning: the server's tag list ended on a failed call (")) << r.err;
    EXPECT_TRUE(Has(r.err, "(0x80004005)")) << r.err;
    EXPECT_TRUE(Has(r.err, "prev.csv holds 3 tags and the list to export none: the file was not replaced")) << r.err;
    EXPECT_EQ(ReadFile(Scratch("prev.csv")), good);

    r = Ctl({L"tags"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(Has(r.err, "(0x80004005)")) << r.err;
    EXPECT_EQ(r.out, "device;address;type;param;name;period_ms\n");

    r = Ctl({L"export", File("prev.csv"), L"--allow-empty"});
    EXPECT_EQ(r.code, 1) << "the failed list is still reported";
    EXPECT_TRUE(Has(r.err, "exported 0 tags")) << r.err;
    EXPECT_EQ(ReadFile(Scratch("prev.csv")), "\xEF\xBB\xBF" "device;address;type;param;name;period_ms\r\n");
}

}  // namespace
