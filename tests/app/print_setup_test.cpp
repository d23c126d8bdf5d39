// The page setup kept in VELK.INI: what a file without it reads as, what is written reads back,
// values out of range read as the default, and the other sections stay.
#include <QSettings>

#include <gtest/gtest.h>

#include "shell/ui/shell_host.h"
#include "tests/btree/files_support.h"

using namespace velk;

namespace {

class PrintSetupTest : public testing::Test {
protected:
    QString ini() const { return QString::fromStdString(tmp.file("VELK.INI")); }
    velk::apptest::TempDir tmp;
};

} // namespace

TEST_F(PrintSetupTest, MissingReadsAsTheDefault)
{
    EXPECT_EQ(readPrintSetup(ini()), tPrintSetup{});
    const tPrintSetup setup = readPrintSetup(ini());
    EXPECT_TRUE(setup.printer.isEmpty());
    EXPECT_TRUE(setup.colour);
    EXPECT_EQ(setup.duplex, 0);
    EXPECT_EQ(setup.copies, 1);
}

TEST_F(PrintSetupTest, WrittenReadsBackAndKeepsTheOtherSections)
{
    {
        QSettings other(ini(), QSettings::IniFormat);
        other.setValue(QStringLiteral("Pfad/Datadict"), QStringLiteral("/daten/datadict"));
    }
    const tPrintSetup setups[] = {{QStringLiteral("Büro"), false, 1, 2},
                                  {QStringLiteral("HP_LaserJet"), true, 2, 1},
                                  {QString(), true, 0, 999}};
    for (const tPrintSetup &setup : setups) {
        ASSERT_TRUE(writePrintSetup(ini(), setup));
        EXPECT_EQ(readPrintSetup(ini()), setup) << setup.printer.toStdString();
    }
    QSettings other(ini(), QSettings::IniFormat);
    EXPECT_EQ(other.value(QStringLiteral("Pfad/Datadict")).toString(),
              QStringLiteral("/daten/datadict"));
}

TEST_F(PrintSetupTest, ValuesOutOfRangeReadAsTheDefault)
{
    const struct {
        const char *duplex;
        const char *copies;
        int wantDuplex;
        int wantCopies;
    } rows[] = {{"3", "0", 0, 1}, {"-1", "1000", 0, 1}, {"x", "y", 0, 1}, {"2", "5", 2, 5}};
    for (const auto &r : rows) {
        {
            QSettings file(ini(), QSettings::IniFormat);
            file.setValue(QStringLiteral("Drucken/Beidseitig"), QString::fromLatin1(r.duplex));
            file.setValue(QStringLiteral("Drucken/Kopien"), QString::fromLatin1(r.copies));
        }
        const tPrintSetup setup = readPrintSetup(ini());
        EXPECT_EQ(setup.duplex, r.wantDuplex) << r.duplex;
        EXPECT_EQ(setup.copies, r.wantCopies) << r.copies;
    }
}
