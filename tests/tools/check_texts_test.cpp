// velk-check speaks German like the program: its counts take the noun in their number.
#include "btree/check/velk_check.h"

#include <gtest/gtest.h>

namespace {

TEST(CheckTexts, CountsTakeSingularAndPlural)
{
    struct tCase {
        long n;
        const char *one, *many, *want;
    } cases[] = {
        {0, "Befund", "Befunde", "0 Befunde"},  {1, "Befund", "Befunde", "1 Befund"},
        {2, "Befund", "Befunde", "2 Befunde"},  {1, "Datei", "Dateien", "1 Datei"},
        {21, "Datei", "Dateien", "21 Dateien"}, {1, "Satz", "Sätze", "1 Satz"},
        {-1, "Satz", "Sätze", "-1 Sätze"},
    };
    for (const tCase &c : cases)
        EXPECT_EQ(velkcheck::counted(c.n, c.one, c.many), c.want) << c.n << " " << c.one;
}

TEST(CheckTexts, SummaryAndBackupLines)
{
    struct tCase {
        long sets, records, findings;
        const char *want;
    } cases[] = {
        {1, 1, 0, "velk-check: /d: 1 Dateigruppe, 1 Satz: in Ordnung"},
        {2, 40, 1, "velk-check: /d: 2 Dateigruppen, 40 Sätze: 1 Befund"},
        {11, 0, 2, "velk-check: /d: 11 Dateigruppen, 0 Sätze: 2 Befunde"},
    };
    for (const tCase &c : cases)
        EXPECT_EQ(velkcheck::summaryText("/d", c.sets, c.records, c.findings), c.want);
    EXPECT_EQ(velkcheck::copiedText(1, "backup-1"), "1 Datei nach backup-1/ kopiert");
    EXPECT_EQ(velkcheck::copiedText(3, "backup-1"), "3 Dateien nach backup-1/ kopiert");
}

} // namespace
