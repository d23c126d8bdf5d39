// Plain rules of the shell: the dictionary path, the configuration file's place, the file
// filters, the window geometry of the "Fenster" commands.
#include <gtest/gtest.h>

#include "model/db_path.h"
#include "base/session.h"
#include "shell/core/window_layout.h"

using namespace velk;

TEST(DictPath, KeepsTheDirectoryOfTheChosenName)
{
    EXPECT_EQ(deriveDictPath("C:\\DATEN\\start"), "C:\\DATEN\\datadict");
    EXPECT_EQ(deriveDictPath("C:/DATEN/start"), "C:/DATEN/datadict");
    EXPECT_EQ(deriveDictPath("/home/anna/termine/start"), "/home/anna/termine/datadict");
    EXPECT_EQ(deriveDictPath("/home/anna/termine/irgendwas.txt"), "/home/anna/termine/datadict");
    EXPECT_EQ(deriveDictPath("/a\\b/c"), "/a\\b/datadict");
    EXPECT_EQ(deriveDictPath("/tmp/x/"), "/tmp/x/datadict");
    EXPECT_EQ(deriveDictPath("/start"), "/datadict");
}

TEST(DictPath, NameWithoutDirectoryGivesPlainDatadict)
{
    EXPECT_EQ(deriveDictPath("start"), "datadict");
    EXPECT_EQ(deriveDictPath(""), "datadict");
}

TEST(DictPath, TooLongResultIsRefusedNotCut)
{
    std::string dir = "/" + std::string(kMaxDbPath - 10, 'd') + "/"; // dir + "datadict" = 255
    EXPECT_EQ(deriveDictPath(dir + "start"), dir + "datadict");
    EXPECT_EQ(deriveDictPath(dir + "start").size(), kMaxDbPath);
    std::string longer = "/" + std::string(kMaxDbPath - 9, 'd') + "/";
    EXPECT_EQ(deriveDictPath(longer + "start"), "");
}

TEST(DictPath, DatabaseDirectory)
{
    EXPECT_EQ(databaseDirectory("/tmp/db/datadict"), "/tmp/db/");
    EXPECT_EQ(databaseDirectory("datadict"), "");
}

TEST(SessionBuffers, DatabasePathIsCutToItsBuffer)
{
    setDatabasePath("/tmp/db/datadict");
    EXPECT_STREQ(databasePath(), "/tmp/db/datadict");
    std::string longPath(400, 'x');
    setDatabasePath(longPath.c_str());
    EXPECT_EQ(std::string(databasePath()), longPath.substr(0, kMaxDbPath));
    setDatabasePath(nullptr);
    EXPECT_STREQ(databasePath(), "");
}

TEST(ConfigFile, XdgConfigHomeFirstThenHome)
{
    EXPECT_EQ(configFilePath("/x/conf", "/home/a"), "/x/conf/VELK.INI");
    EXPECT_EQ(configFilePath("/x/conf/", "/home/a"), "/x/conf/VELK.INI");
    EXPECT_EQ(configFilePath(nullptr, "/home/a"), "/home/a/.config/VELK.INI");
    EXPECT_EQ(configFilePath("", "/home/a"), "/home/a/.config/VELK.INI");
    EXPECT_EQ(configFilePath("relativ", "/home/a"), "/home/a/.config/VELK.INI");
    EXPECT_EQ(configFilePath(nullptr, nullptr), "");
}

TEST(FileFilter, ListBecomesQtFilters)
{
    EXPECT_EQ(qtFileFilter("Fileposition|*.*|"), "Fileposition (*)");
    EXPECT_EQ(qtFileFilter("Portfolio|*.dry|Alle|*.*|"), "Portfolio (*.dry);;Alle (*)");
    EXPECT_EQ(qtFileFilter("dBASE|*.DBF;*.dbf|"), "dBASE (*.DBF *.dbf)");
    EXPECT_EQ(qtFileFilter("Ohne Ende|*.txt"), "Ohne Ende (*.txt)");
    EXPECT_EQ(qtFileFilter(""), "");
    EXPECT_EQ(qtFileFilter("Termine (*.dbf)|*.dbf|Komplett-Export(*.dbf)|*.dbf|"),
              "Termine (*.dbf);;Komplett-Export(*.dbf)");
}

TEST(WindowLayout, SideBySideCoversTheAreaWithoutOverlap)
{
    auto rects = sideBySideLayout(100, 50, 3);
    ASSERT_EQ(rects.size(), 3u);
    EXPECT_EQ(rects[0], (tRect{0, 0, 34, 50}));
    EXPECT_EQ(rects[1], (tRect{34, 0, 33, 50}));
    EXPECT_EQ(rects[2], (tRect{67, 0, 33, 50}));
    EXPECT_TRUE(sideBySideLayout(100, 50, 0).empty());
}

TEST(WindowLayout, StackedCoversTheAreaWithoutOverlap)
{
    auto rects = stackedLayout(80, 101, 2);
    ASSERT_EQ(rects.size(), 2u);
    EXPECT_EQ(rects[0], (tRect{0, 0, 80, 51}));
    EXPECT_EQ(rects[1], (tRect{0, 51, 80, 50}));
    int covered = 0;
    for (auto &r : stackedLayout(80, 997, 7)) covered += r.height;
    EXPECT_EQ(covered, 997);
}

TEST(WindowLayout, IconsFillRowsFromTheBottomLeft)
{
    auto rects = iconLayout(250, 300, 5, 100, 30);
    ASSERT_EQ(rects.size(), 5u);
    EXPECT_EQ(rects[0], (tRect{0, 270, 100, 30}));
    EXPECT_EQ(rects[1], (tRect{100, 270, 100, 30}));
    EXPECT_EQ(rects[2], (tRect{0, 240, 100, 30}));
    EXPECT_EQ(rects[4], (tRect{0, 210, 100, 30}));
    // An area narrower than one icon still puts one a row.
    EXPECT_EQ(iconLayout(50, 100, 2, 100, 30)[1], (tRect{0, 40, 100, 30}));
}
