// The appointment dialog over a resource booked by another appointment: the question through the
// recorder, "Nein" keeps the dialog open with nothing stored, "Ja" stores as before; and the
// other booking made by a second copy, a real velk-exchange process.
#include <QComboBox>
#include <QProcess>

#include "shell/ui/shell_host.h"
#include "widgets/calendar/dia_termin.h"
#include "tests/calendar/ui/calendar_ui_support.h"

#include <fstream>

using namespace velk;
using namespace velk::apptest;
using namespace velk::caltest;

namespace {

class BookingUiTest : public CalendarUiTest {
protected:
    tTermin booked(const char *title, tDateTime from, tDateTime till, const char *read = "")
    {
        tTermin t = termin(title, from, till, read);
        t.setResource("raum1");
        return t;
    }
    std::vector<std::string> storedTitles()
    {
        std::vector<std::string> out;
        for (const tTermin &t : allTermine()) out.push_back(t.TITLE);
        return out;
    }
    QStringList questions() { return host.eventsOf(QStringLiteral("question:")); }
};

TEST_F(BookingUiTest, NeinKeepsTheDialogOpenAndJaStores)
{
    add("carl", booked("Sitzung", at(3, 6, 2024, 9), at(3, 6, 2024, 11)));
    tResource raum;
    ASSERT_TRUE(raum.find("raum1"));
    tDiaTermin dialog(nullptr, termin("Kurs", at(3, 6, 2024, 10), at(3, 6, 2024, 12)), &raum);
    dialog.show();

    host.questionAnswers = {false};
    press(dialog, "buttonOk");
    ASSERT_EQ(questions().size(), 1);
    EXPECT_EQ(questions()[0],
              QStringLiteral("question:Die Ressource Raum 1 ist in dieser Zeit schon belegt "
                             "(03.06.2024 09:00-11:00 Sitzung). Trotzdem speichern?"));
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(storedTitles(), std::vector<std::string>{"Sitzung"}) << "nothing stored";

    host.questionAnswers = {true};
    press(dialog, "buttonOk");
    EXPECT_EQ(questions().size(), 2);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(storedTitles(), (std::vector<std::string>{"Sitzung", "Kurs"}));
    EXPECT_STREQ(dialog.termin().RESOURCE, "raum1");
    EXPECT_TRUE(host.events.filter(QStringLiteral("message:")).isEmpty())
        << host.events.join(QStringLiteral(" | ")).toStdString();
}

TEST_F(BookingUiTest, NoQuestionWhereNothingCollides)
{
    add("carl", booked("Sitzung", at(3, 6, 2024, 9), at(3, 6, 2024, 11)));
    struct Row {
        const char *why;
        tDateTime from, till;
        bool resource;
    } rows[] = {
        {"right after", at(3, 6, 2024, 11), at(3, 6, 2024, 12), true},
        {"right before", at(3, 6, 2024, 8), at(3, 6, 2024, 9), true},
        {"no resource", at(3, 6, 2024, 10), at(3, 6, 2024, 12), false},
    };
    tResource raum;
    ASSERT_TRUE(raum.find("raum1"));
    for (const Row &r : rows) {
        tTermin t = termin(r.why, r.from, r.till);
        host.dialogScripts.push_back([](QDialog &d) { press(d, "buttonOk"); });
        EXPECT_TRUE(tDiaTermin::runEdit(nullptr, t, r.resource ? &raum : nullptr)) << r.why;
    }
    EXPECT_TRUE(questions().isEmpty());
    EXPECT_EQ(allTermine().size(), 4u);
}

TEST_F(BookingUiTest, AChangedAppointmentIsNotItsOwnBookingAndASeriesAsksOnce)
{
    tTermin own = add("carl", booked("eigener", at(3, 6, 2024, 9), at(3, 6, 2024, 11)));
    add("anna", booked("geheim", at(5, 6, 2024, 9), at(5, 6, 2024, 10), "Panna"));
    add("anna", booked("offen", at(6, 6, 2024, 9), at(6, 6, 2024, 10)));
    setCurrentUser("carl");

    // Moved by an hour: no question.
    host.dialogScripts.push_back([](QDialog &d) {
        type(d, "editTillHour", "12");
        press(d, "buttonOk");
    });
    ASSERT_TRUE(tDiaTermin::runEdit(nullptr, own));
    EXPECT_TRUE(questions().isEmpty());
    EXPECT_EQ(own.till, at(3, 6, 2024, 12));

    // A new daily series over the next days meets both of anna's: one question, both named.
    tResource raum;
    ASSERT_TRUE(raum.find("raum1"));
    tTermin series = termin("Kurs", at(4, 6, 2024, 9, 30), at(4, 6, 2024, 10, 30));
    host.questionAnswers = {false, true};
    host.dialogScripts.push_back([](QDialog &d) {
        child<QCheckBox>(d, "checkRepeat")->click();
        press(d, "buttonOk"); // "Nein": still open
        EXPECT_TRUE(d.isVisible());
        press(d, "buttonOk"); // "Ja"
    });
    host.dialogScripts.push_back([](QDialog &d) {
        click(d, "radioDaily");
        type(d, "editCount", "4");
        press(d, "buttonOk");
    });
    ASSERT_TRUE(tDiaTermin::runEdit(nullptr, series, &raum));
    ASSERT_EQ(questions().size(), 2);
    EXPECT_EQ(
        questions()[0],
        QStringLiteral("question:Die Ressource Raum 1 ist in dieser Zeit schon belegt (2 "
                       "Termine):\n06.06.2024 09:00-10:00 offen\nbelegt\nTrotzdem speichern?"));
    EXPECT_EQ(allTermine().size(), 2u + 5u) << "anna's private one is not seen, five are carl's";
}

// A second copy of the program (velk-exchange, a process of its own) books the room; this
// copy's dialog then asks, naming what root let everybody see and hiding root's private one.
TEST_F(BookingUiTest, ABookingOfAnotherCopyIsAsked)
{
    std::string ics = file("raum.ics");
    std::ofstream(ics) << "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//booking//DE\r\n"
                          "BEGIN:VEVENT\r\nUID:offen@test\r\nDTSTAMP:20240101T000000Z\r\n"
                          "DTSTART:20240603T090000\r\nDTEND:20240603T100000\r\n"
                          "SUMMARY:Vortrag\r\nLOCATION:Raum 1\r\nEND:VEVENT\r\n"
                          "BEGIN:VEVENT\r\nUID:privat@test\r\nDTSTAMP:20240101T000000Z\r\n"
                          "DTSTART:20240603T100000\r\nDTEND:20240603T110000\r\n"
                          "SUMMARY:Privat\r\nLOCATION:Raum 1\r\nCLASS:PRIVATE\r\n"
                          "END:VEVENT\r\nEND:VCALENDAR\r\n";
    QProcess other;
    other.start(QStringLiteral(VELK_EXCHANGE),
                {QStringLiteral("--password-stdin"), QString::fromStdString(dir_.path()),
                 QStringLiteral("import"), QStringLiteral("ical"), QString::fromStdString(ics)});
    other.write("x\n");
    other.closeWriteChannel();
    ASSERT_TRUE(other.waitForFinished(60000));
    ASSERT_EQ(other.exitCode(), 0) << other.readAllStandardError().toStdString();

    setCurrentUser("carl");
    tResource raum;
    ASSERT_TRUE(raum.find("raum1"));
    tTermin t = termin("Kurs", at(3, 6, 2024, 9, 30), at(3, 6, 2024, 10, 30));
    host.questionAnswers = {false};
    host.dialogScripts.push_back([](QDialog &d) {
        press(d, "buttonOk");
        press(d, "buttonCancel");
    });
    EXPECT_FALSE(tDiaTermin::runEdit(nullptr, t, &raum));
    ASSERT_EQ(questions().size(), 1);
    EXPECT_EQ(questions()[0],
              QStringLiteral("question:Die Ressource Raum 1 ist in dieser Zeit schon belegt (2 "
                             "Termine):\n03.06.2024 09:00-10:00 Vortrag\nbelegt\nTrotzdem "
                             "speichern?"));
    EXPECT_TRUE(store.touching(at(3, 6, 2024), at(3, 6, 2024, 23, 59)).size() == 1u)
        << "carl sees only the open one, and nothing of his was stored";
}

} // namespace
