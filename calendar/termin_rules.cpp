#include "calendar/termin_rules.h"

#include "base/dialog_number.h"

#include <cstdio>

namespace velk {

tTerminCheck checkTerminFields(const tTerminFields &in, tDateTime &from, tDateTime &till)
{
    tDateTime start;
    start.day = in.fromDay;
    start.month = in.fromMonth;
    start.year = in.fromYear;
    if (!start.valid()) return tTerminCheck::BadStartDate;
    tDateTime end;
    end.day = in.tillDay != 0 ? in.tillDay : start.day;
    end.month = in.tillMonth != 0 ? in.tillMonth : start.month;
    end.year = in.tillYear != 0 ? in.tillYear : start.year;
    if (!end.valid()) return tTerminCheck::BadEndDate;
    if (end.tDate::before(start)) return tTerminCheck::EndBeforeStart;
    start.hour = in.fromHour;
    start.minute = in.fromMinute;
    if (!start.validTime()) return tTerminCheck::BadStartTime;
    end.hour = in.tillHour;
    end.minute = in.tillMinute;
    if (!end.validTime()) return tTerminCheck::BadEndTime;
    from = start;
    till = end;
    return tTerminCheck::Ok;
}

bool applyRepeatFields(const tRepeatFields &in, tRepeat &rule)
{
    if (in.rhythm != 0) rule.rhythm = in.rhythm;
    if (in.rhythm == tRepeat::Every) {
        if (in.last) {
            rule.ordinal = tRepeat::Last;
        } else {
            int n = dialogNumber(std::string_view(in.ordinal).substr(0, 4));
            if (n < 1 || n > 31) return false;
            rule.ordinal = int16_t(n);
        }
        if (in.unit != 0) rule.unit = in.unit;
        if (in.scope != 0) rule.scope = in.scope;
    }
    rule.count = dialogNumber(in.count);
    return true;
}

tAlarmCheck checkAlarmFields(int day, int month, int year, int hour, int minute, tDateTime &when)
{
    tDateTime t;
    t.hour = hour;
    t.minute = minute;
    if (!t.validTime()) return tAlarmCheck::BadTime;
    t.day = day;
    t.month = month;
    t.year = year;
    if (!t.valid()) return tAlarmCheck::BadDate;
    when = t;
    return tAlarmCheck::Ok;
}

bool alarmSendsFurther(std::string_view sendTo, std::string_view user)
{
    if (sendTo.empty()) return false;
    if (sendTo[0] == 'G') return true;
    return sendTo[0] == 'P' && sendTo.substr(1) != user;
}

bool alarmNeedsDialog(const tAlarm &a) { return !a.storable(); }

static std::string format(const char *pattern, int a, int b)
{
    char text[160];
    std::snprintf(text, sizeof text, pattern, a, b);
    return text;
}

std::string terminUpdateMessage(tStoreStatus status)
{
    switch (status) {
    case tStoreStatus::Stored:
        return {};
    case tStoreStatus::Duplicate:
        return "Ein Termin mit gleichem Anfang, gleicher Bezeichnung und Ressource ist bereits "
               "gespeichert";
    default:
        return "Der Termin wurde nicht gespeichert";
    }
}

std::string terminStoreMessage(const tInsertResult &r)
{
    if (r.status != tStoreStatus::Stored) return terminUpdateMessage(r.status);
    if (r.notStored() > 0)
        return format("Von %d Wiederholungen wurden %d nicht gespeichert", r.repetitions,
                      r.notStored());
    return {};
}

std::string alarmSendMessage(const tSendResult &r)
{
    if (r.status == tStoreStatus::Stored) return {};
    if (r.status == tStoreStatus::NoDate)
        return "Der Alarm hat keinen Zeitpunkt und wurde nicht gespeichert";
    if (r.stored > 0)
        return format("Der Alarm wurde für %d von %d Empfängern nicht gespeichert",
                      r.rows - r.stored, r.rows);
    return "Der Alarm wurde nicht gespeichert";
}

std::string alarmUpdateMessage(tStoreStatus status)
{
    switch (status) {
    case tStoreStatus::Stored:
        return {};
    case tStoreStatus::NoDate:
        return "Der Alarm hat keinen Zeitpunkt und wurde nicht gespeichert";
    case tStoreStatus::NotFound:
        return "Der Alarm ist nicht mehr vorhanden";
    default:
        return "Der Alarm wurde nicht gespeichert";
    }
}

} // namespace velk
