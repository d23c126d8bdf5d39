// The name a save dialog answers: the chosen filter's extension on a name without one.
#include <gtest/gtest.h>

#include "shell/core/save_name.h"

using namespace velk;

namespace {

const std::string kFilters = "Termine (*.dbf)|*.dbf|Alles|*|Texte|*.txt;*.asc|"
                             "iCalendar (*.ics)|*.ics|Beliebig|*.*|";

} // namespace

TEST(SaveName, ExtensionOfTheChosenFilter)
{
    const std::pair<int, const char *> cases[] = {
        {1, ".dbf"}, // one pattern
        {2, ""},     // "*": none
        {3, ".txt"}, // several patterns: the first
        {4, ".ics"}, //
        {5, ""},     // "*.*": none
        {6, ""},     // beyond the list
        {0, ""},     //
        {-1, ""},    //
    };
    for (auto [index, ext] : cases) EXPECT_EQ(filterExtension(kFilters, index), ext) << index;
    EXPECT_EQ(filterExtension("Texte|*.txt;*.asc", 1), ".txt") << "without the closing bar";
    EXPECT_EQ(filterExtension("", 1), "");
}

TEST(SaveName, AddedOnlyToANameWithoutExtension)
{
    struct Case {
        const char *name;
        int filter;
        const char *saved;
    };
    const Case cases[] = {
        {"termine", 4, "termine.ics"},
        {"/home/anna/termine", 4, "/home/anna/termine.ics"},
        {"/home/anna/termine.ics", 4, "/home/anna/termine.ics"},
        {"/home/anna/termine.txt", 4, "/home/anna/termine.txt"}, // another extension stays
        {"/home/a.b/termine", 1, "/home/a.b/termine.dbf"},       // a dot in a directory
        {"C:\\daten.neu\\termine", 3, "C:\\daten.neu\\termine.txt"},
        {"/home/anna/termine.2024.dbf", 1, "/home/anna/termine.2024.dbf"},
        {"/home/anna/termine", 2, "/home/anna/termine"}, // a filter without extension
        {"/home/anna/termine", 9, "/home/anna/termine"},
        {"/home/anna/", 1, "/home/anna/"}, // no name at all
        {"", 1, ""},
    };
    for (const Case &c : cases)
        EXPECT_EQ(withFilterExtension(c.name, kFilters, c.filter), c.saved) << c.name;
}
