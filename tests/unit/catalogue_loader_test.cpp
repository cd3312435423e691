#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <string>
#include <vector>

#include "catalogue/Catalogue.h"
#include "catalogue/CatalogueLoader.h"
#include "catalogue_test_util.h"

namespace {

std::string DeviceText(const std::string& name, int typeCode)
{
    return "DEVICE_DESCRIPTION\n" + name + " " + std::to_string(typeCode) + "\nP 1 INT R RAM 0\n";
}

std::vector<std::string> Names(const CDeviceList& catalogue)
{
    std::vector<std::string> names;
    for (const CDevice& d : catalogue)
        names.push_back(d.m_strName);
    return names;
}

std::string Load(const CScratchDir& dir, CDeviceList& catalogue)
{
    std::ostringstream out;
    LoadDeviceCatalogue(dir.Path(), out, catalogue);
    return out.str();
}

TEST(LoaderTest, NoFilesGivesTheStartLineAlone)
{
    CScratchDir dir;
    dir.Write("readme.txt", "not a description");
    CDeviceList catalogue;
    EXPECT_EQ("Start reading configuration files\n", Load(dir, catalogue));
    EXPECT_TRUE(catalogue.IsEmpty());

    // A directory that cannot be read behaves like one without files.
    CDeviceList none;
    std::ostringstream out;
    LoadDeviceCatalogue(dir / "does-not-exist", out, none);
    EXPECT_EQ("Start reading configuration files\n", out.str());
    EXPECT_TRUE(none.IsEmpty());
}

TEST(LoaderTest, CatalogueHoldsTheReverseOfReadingOrder)
{
    CScratchDir dir;
    // Written out of order: the reading order comes from the names, not the file system.
    dir.WriteSigned("C.dsc", DeviceText("Gamma", 3));
    dir.WriteSigned("A.dsc", DeviceText("Alpha", 1));
    dir.WriteSigned("B.dsc", DeviceText("Beta", 2));
    CDeviceList catalogue;
    EXPECT_EQ("Start reading configuration files\n"
              "Reading config file 'A.dsc'....\n"
              "Reading config file 'B.dsc'....\n"
              "Reading config file 'C.dsc'....\n",
              Load(dir, catalogue));
    EXPECT_EQ((std::vector<std::string>{"Gamma", "Beta", "Alpha"}), Names(catalogue));
}

TEST(LoaderTest, InTheBackgroundGivesTheSameLinesAndCatalogueOnlyWhenFinished)
{
    CScratchDir dir;
    dir.WriteSigned("C.dsc", DeviceText("Gamma", 3));
    dir.WriteSigned("A.dsc", DeviceText("Alpha", 1));
    dir.Write("B.dsc", "not signed");
    CDeviceList direct, background;
    for (CDeviceList* list : {&direct, &background}) list->AddHead(CDevice());  // a catalogue already in use
    const std::string directLines = Load(dir, direct);

    std::ostringstream lines;
    {
        CBackgroundCatalogueLoad load(dir.Path());
        load.Finish(lines, background);
    }
    EXPECT_EQ(lines.str(), directLines);
    EXPECT_EQ(Names(background), Names(direct));
    EXPECT_TRUE(background == direct);
}

TEST(LoaderTest, RefusedFileLeavesNothingAndLoadingGoesOn)
{
    CScratchDir dir;
    std::string bad = Signed(DeviceText("Alpha", 1));
    bad.back() = ' ';
    dir.Write("A.dsc", bad);
    dir.WriteSigned("B.dsc", DeviceText("Beta", 2));
    dir.WriteSigned("C.dsc", "no marker here\n");
    dir.WriteSigned("D.dsc", DeviceText("Delta", 4));
    CDeviceList catalogue;
    EXPECT_EQ("Start reading configuration files\n"
              "Reading config file 'A.dsc'....\n"
              "Wrong CRC in file A.dsc\n"
              "Reading config file 'B.dsc'....\n"
              "Reading config file 'C.dsc'....\n"
              "File C.dsc don't contain device description information\n"
              "Reading config file 'D.dsc'....\n",
              Load(dir, catalogue));
    EXPECT_EQ((std::vector<std::string>{"Delta", "Beta"}), Names(catalogue));
}

TEST(LoaderTest, WhichNamesAreTakenAndInWhatOrder)
{
    CScratchDir dir;
    const char* taken[] = {"b.dsc", "B.DSC", "a.Dsc", "_.dsc", "\xC0.dsc", "~.dsc", "0.dsc", ".dsc"};
    const char* ignored[] = {"x.dscx", "x.dsc.bak", "x.ds", "dsc", "x.txt", "xdsc"};
    for (const char* name : taken)
        dir.WriteSigned(name, DeviceText(std::string("N") + std::to_string(std::string(name).size()), 1));
    for (const char* name : ignored)
        dir.WriteSigned(name, DeviceText("Ignored", 1));
    std::filesystem::create_directory(dir / "folder.dsc");

    std::vector<std::string> listed;
    for (const DescriptionFileEntry& e : ListDescriptionFiles(dir.Path()))
        listed.push_back(e.name);
    // Ascending byte order: digits, upper case, "_", lower case, "~", then bytes >= 0x80.
    EXPECT_EQ((std::vector<std::string>{".dsc", "0.dsc", "B.DSC", "_.dsc", "a.Dsc", "b.dsc", "~.dsc", "\xC0.dsc"}),
              listed);

    CDeviceList catalogue;
    Load(dir, catalogue);
    EXPECT_EQ(8u, catalogue.GetCount());
}

TEST(LoaderTest, FileWithMarkerOnlyAddsAnEmptyDevice)
{
    CScratchDir dir;
    dir.WriteSigned("empty.dsc", "DEVICE_DESCRIPTION\n");
    CDeviceList catalogue;
    EXPECT_EQ("Start reading configuration files\nReading config file 'empty.dsc'....\n", Load(dir, catalogue));
    ASSERT_EQ(1u, catalogue.GetCount());
    EXPECT_EQ(CDevice(), catalogue.GetHead());
}

TEST(LoaderTest, LookupsFindTheFileReadLast)
{
    CScratchDir dir;
    dir.WriteSigned("a.dsc", DeviceText("First", 7));
    dir.WriteSigned("b.dsc", DeviceText("Second", 7));
    FreeDeviceCatalogue();
    std::ostringstream out;
    LoadDeviceCatalogue(dir.Path(), out, g_DeviceCatalogue);
    EXPECT_EQ("Second", GetDeviceName(7));
    EXPECT_EQ((std::vector<std::string>{"Second", "First"}), Names(g_DeviceCatalogue));
    FreeDeviceCatalogue();
}

TEST(LoaderTest, DefaultFormReadsTheWorkingDirectoryToStandardOutput)
{
    CScratchDir dir;
    dir.WriteSigned("w.dsc", DeviceText("Here", 5));
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path());
    FreeDeviceCatalogue();
    testing::internal::CaptureStdout();
    LoadDeviceCatalogue();
    const std::string out = testing::internal::GetCapturedStdout();
    std::filesystem::current_path(previous);
    EXPECT_EQ("Start reading configuration files\nReading config file 'w.dsc'....\n", out);
    EXPECT_EQ("Here", GetDeviceName(5));
    FreeDeviceCatalogue();
}

TEST(LoaderTest, FilesThatAreNotRegularAreRefusedLikeUnopenableOnes)
{
    CScratchDir dir;
    const auto fifo = MakeFifo(dir, "a.dsc");
    std::filesystem::create_symlink("/dev/null", dir / "b.dsc");
    dir.WriteSigned("c.dsc", DeviceText("Gamma", 3));
    CDeviceList catalogue;
    std::string out;
    EXPECT_TRUE(FinishesWithin(std::chrono::seconds(5), [&] { out = Load(dir, catalogue); }, {fifo}));
    EXPECT_EQ("Start reading configuration files\n"
              "Reading config file 'a.dsc'....\n"
              "a.dsc \tCan't open file\n"
              "Wrong CRC in file a.dsc\n"
              "Reading config file 'b.dsc'....\n"
              "b.dsc \tCan't open file\n"
              "Wrong CRC in file b.dsc\n"
              "Reading config file 'c.dsc'....\n",
              out);
    EXPECT_EQ((std::vector<std::string>{"Gamma"}), Names(catalogue));
}

}  // namespace
