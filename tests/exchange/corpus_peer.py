#!/usr/bin/python3
# The second reader of the corpus tests, run with Debian's python3 (python3-icalendar 4.0.3,
# python3-recurring-ical-events 2.0.1, python3-vobject, zoneinfo):
#
#   corpus_peer.py CORPUS TODAY      (CORPUS the folder with ical/ and vcard/, TODAY YYYY-MM-DD)
#
# One run over every file; tab-separated lines on standard output, file names relative to CORPUS:
#
#   ics-start  FILE UID RECURRENCE-ID START KIND   every VEVENT with a start: START in Europe/Berlin
#                                                  local time, YYYYmmddTHHMM, or YYYYmmdd for a
#                                                  DATE; KIND utc, tzid, floating, date or
#                                                  unknown (a VTIMEZONE python cannot build, a
#                                                  "Z" time with a TZID)
#   ics-broken FILE UID REASON                     a VEVENT python3-icalendar reads without a usable
#                                                  start
#   ics-series FILE UID START,START,...            the occurrences of a series (RRULE or RDATE)
#                                                  within the limits below, overrides and EXDATEs
#                                                  applied by recurring_ical_events
#   ics-error  FILE MESSAGE                        a file python3-icalendar refuses
#   vcf-card   FILE FAMILY GIVEN TEL BDAY          every card python3-vobject reads: N's family and
#                                                  given names (without them FN, its last word the
#                                                  family name, as the importer takes it; a card
#                                                  without any name is left out, as the importer
#                                                  refuses it), the first TEL (of a "tel:" URI what
#                                                  follows), BDAY as YYYY-MM-DD or --MM-DD ("-" for
#                                                  an empty value or one that is no date)
#   vcf-error  FILE MESSAGE                        a file python3-vobject refuses
#
# UID "-" for an event without UID; RECURRENCE-ID "-" for none, else as START.
#
# Times.  A TZID that the system zone database knows is read through zoneinfo (RFC 5545: the
# first of two ambiguous times, a time in a gap with the offset before it).  Any other TZID
# through the file's VTIMEZONE as icalendar's VTimezone.to_tz() builds it (the cache of those is
# emptied before each file, as python3-icalendar would carry the definition of one file's TZID
# over to the next), and a Windows zone name without one through icalendar's own table
# (icalendar.windows_to_olson.WINDOWS_TO_OLSON) to zoneinfo; python3-icalendar itself would take
# the table before the file's definition.  A TZID of none of these kinds is floating, like a time
# without TZID: Berlin local time.
#
# Series.  Like the importer: occurrences from DTSTART up to its Berlin-local time kSeriesYears = 2
# years later, or, for a series that began before TODAY, up to TODAY at its time of day 2 years
# later (29 February becomes the 28th), the last one included; at most kSeriesMax = 500
# occurrences counted from the first; an occurrence moved by a RECURRENCE-ID event counts by the
# time it was moved from, and is listed with the time it was moved to.  Left out (python quirks):
# series without UID when the calendar has other VEVENTs without UID (the library's occurrences
# could not be told apart), UIDs with more than one master, and series the library raises on
# (printed as ics-broken with reason "series: ...").
#
# Only VEVENTs inside a VCALENDAR are read (a bare VEVENT file is no calendar for the importer
# either).
import os
import re
import sys
import warnings
from datetime import date, datetime, timedelta
from zoneinfo import ZoneInfo, ZoneInfoNotFoundError

warnings.simplefilter("ignore")

BERLIN = ZoneInfo("Europe/Berlin")
SERIES_YEARS = 2
SERIES_MAX = 500


def clean(text):
    text = str(text).replace("\t", " ").replace("\r", " ").replace("\n", " ").strip()
    return text if text else "-"


def uidOf(component):
    """The UID as it stands (blanks kept), "-" for none."""
    uid = str(component.get("UID", "")).replace("\t", " ").replace("\r", " ").replace("\n", " ")
    return uid if uid else "-"


def out(*fields):
    print("\t".join(fields))


UNUSABLE = object()


def toTzOrUnusable(original):
    # python3-icalendar 4.0.3 refuses the whole file when it cannot build a VTIMEZONE (an UNTIL
    # not in UTC, a DATE start in an observance); here such a zone is only marked unusable and the
    # times that name it are printed with KIND "unknown" (their start is not compared).
    def toTz(self):
        try:
            return original(self)
        except Exception:  # noqa: BLE001 - whatever the zone building raises
            return UNUSABLE
    return toTz


def zoneOf(tzid):
    """The tzinfo of a TZID: (tzinfo, 'zoneinfo'|'pytz'), (None, 'unusable') or (None, None)."""
    from icalendar.timezone_cache import _timezone_cache
    from icalendar.windows_to_olson import WINDOWS_TO_OLSON
    name = str(tzid).strip('"')
    if name and not name.startswith("/") and ".." not in name:
        try:
            return ZoneInfo(name), "zoneinfo"
        except (ZoneInfoNotFoundError, ValueError, OSError):
            pass
    if name in _timezone_cache and _timezone_cache[name] is not UNUSABLE:
        return _timezone_cache[name], "pytz"
    if name in WINDOWS_TO_OLSON:
        try:
            return ZoneInfo(WINDOWS_TO_OLSON[name]), "zoneinfo"
        except (ZoneInfoNotFoundError, ValueError):
            pass
    if name in _timezone_cache:
        return None, "unusable"
    return None, None


# Values "…Z" with a TZID as well (written by some programs): python3-icalendar takes the TZID and
# drops the "Z"; which one is meant is not clear, so such times are printed with KIND "unknown".
UTC_WITH_TZID = re.compile(rb"(?m)^(?:DTSTART|RECURRENCE-ID);[^:\r\n]*TZID=[^\r\n]*:(\d{8}T\d{6})Z")
zonedUtcTimes = set()


def berlin(prop):
    """(Berlin-local datetime or date, kind) of a DTSTART/RECURRENCE-ID property."""
    v = prop.dt
    if isinstance(v, datetime):
        tzid = prop.params.get("TZID") if hasattr(prop, "params") else None
        if tzid and v.strftime("%Y%m%dT%H%M%S") in zonedUtcTimes:
            return v.replace(tzinfo=None), "unknown"
        if tzid:
            tz, how = zoneOf(tzid)
            wall = v.replace(tzinfo=None)
            if how == "zoneinfo":
                return wall.replace(tzinfo=tz).astimezone(BERLIN).replace(tzinfo=None), "tzid"
            if how == "pytz":
                return tz.localize(wall).astimezone(BERLIN).replace(tzinfo=None), "tzid"
            if how == "unusable":
                return wall, "unknown"
            return wall, "floating"
        if v.tzinfo is not None:
            return v.astimezone(BERLIN).replace(tzinfo=None), "utc"
        return v, "floating"
    if isinstance(v, date):
        return v, "date"
    raise ValueError("no date: %r" % (v,))


def show(v):
    if isinstance(v, datetime):
        return v.strftime("%Y%m%dT%H%M")
    return v.strftime("%Y%m%d")


def occurrenceShow(v):
    if isinstance(v, datetime):
        if v.tzinfo is not None:
            v = v.astimezone(BERLIN).replace(tzinfo=None)
        return v.strftime("%Y%m%dT%H%M")
    return v.strftime("%Y%m%d")


def addYears(d, years):
    try:
        return d.replace(year=d.year + years)
    except ValueError:  # 29 February
        return d.replace(year=d.year + years, day=28)


def horizonOf(start, today):
    """The last Berlin-local time a series starting at `start` may reach."""
    if isinstance(start, datetime):
        base = start
        if start.date() < today:
            base = datetime.combine(today, start.time())
        return addYears(base, SERIES_YEARS)
    base = start if start >= today else today
    return datetime.combine(addYears(base, SERIES_YEARS), datetime.min.time())


def series(name, cal, masters, today):
    import recurring_ical_events
    byUid = {}
    for ev, start in masters:
        byUid.setdefault(uidOf(ev), []).append(start)
    limits = {}
    for uid, starts in byUid.items():
        if len(starts) != 1:
            continue
        start = starts[0]
        first = start if isinstance(start, datetime) else datetime.combine(start,
                                                                           datetime.min.time())
        limits[uid] = (first, horizonOf(start, today))
    if not limits:
        return
    # One walk over the whole span of the calendar's series (the library expands every series
    # of the calendar on each call).
    spanFrom = min(f for f, _ in limits.values()) - timedelta(days=2)
    spanTo = max(h for _, h in limits.values()) + timedelta(days=2)
    try:
        found = recurring_ical_events.of(cal).between(spanFrom, spanTo)
    except Exception as e:  # noqa: BLE001 - the library's own errors
        for uid in limits:
            out("ics-broken", name, uid, clean("series: %s" % e)[:200])
        return
    starts = {uid: [] for uid in limits}
    for occ in found:
        uid = uidOf(occ)
        if uid not in limits:
            continue
        s = occ["DTSTART"].dt
        if isinstance(s, datetime) and s.tzinfo is not None:
            s = s.astimezone(BERLIN).replace(tzinfo=None)
        key = s if isinstance(s, datetime) else datetime.combine(s, datetime.min.time())
        if "RECURRENCE-ID" in occ:  # a moved occurrence counts where it was
            try:
                was = berlin(occ["RECURRENCE-ID"])[0]
                key = was if isinstance(was, datetime) else datetime.combine(was,
                                                                             datetime.min.time())
            except Exception:  # noqa: BLE001 - an unreadable RECURRENCE-ID: where it is
                pass
        first, horizon = limits[uid]
        if first <= key <= horizon:
            starts[uid].append((key, occurrenceShow(s)))
    for uid, found in starts.items():
        found.sort()
        out("ics-series", name, uid, ",".join(s for _, s in found[:SERIES_MAX]))


def readIcs(name, path, today):
    import icalendar
    from icalendar.timezone_cache import _timezone_cache
    if not hasattr(icalendar.Timezone, "velkPatched"):
        icalendar.Timezone.to_tz = toTzOrUnusable(icalendar.Timezone.to_tz)
        icalendar.Timezone.velkPatched = True
    _timezone_cache.clear()
    data = open(path, "rb").read()
    if data.startswith(b"\xef\xbb\xbf"):  # python3-icalendar 4.0.3 refuses a byte-order mark
        data = data[3:]
    zonedUtcTimes.clear()
    zonedUtcTimes.update(m.decode() for m in UTC_WITH_TZID.findall(data))
    try:
        comps = icalendar.Calendar.from_ical(data, multiple=True)
    except Exception as e:  # noqa: BLE001 - whatever the parser raises
        out("ics-error", name, clean("%s: %s" % (type(e).__name__, e))[:200])
        return
    for cal in comps:
        if cal.name != "VCALENDAR":
            continue
        masters = []
        for ev in cal.walk("VEVENT"):
            uid = uidOf(ev)
            try:
                start, kind = berlin(ev["DTSTART"])
                recid = "-"
                if "RECURRENCE-ID" in ev:
                    recid = show(berlin(ev["RECURRENCE-ID"])[0])
            except Exception as e:  # noqa: BLE001 - missing or unreadable values
                out("ics-broken", name, uid, clean("%s: %s" % (type(e).__name__, e))[:200])
                continue
            out("ics-start", name, uid, recid, show(start), kind)
            if recid == "-" and ("RRULE" in ev or "RDATE" in ev):
                masters.append((ev, start))
        # Occurrences without UID can be told apart only when one VEVENT of the calendar has none.
        if sum(1 for ev in cal.walk("VEVENT") if "UID" not in ev) > 1:
            masters = [(ev, start) for ev, start in masters if "UID" in ev]
        series(name, cal, masters, today)


def bdayOf(card):
    if not hasattr(card, "bday"):
        return "-"
    v = str(card.bday.value).strip().split("T")[0]
    digits = v.replace("-", "")
    try:
        if v.startswith("--") and len(digits) == 4 and digits.isdigit():
            date(2000, int(digits[0:2]), int(digits[2:4]))  # a day of a leap year
            return "--%s-%s" % (digits[0:2], digits[2:4])
        if len(digits) == 8 and digits.startswith("1604"):  # Apple's and CardBook's "no year"
            date(2000, int(digits[4:6]), int(digits[6:8]))
            return "--%s-%s" % (digits[4:6], digits[6:8])
        if len(digits) == 8 and digits.isdigit():
            return date(int(digits[0:4]), int(digits[4:6]), int(digits[6:8])).isoformat()
    except ValueError:
        pass
    return "-"  # no date (a text such as "circa 1800")


def telOf(card):
    tels = card.contents.get("tel", [])
    if not tels:
        return "-"
    v = str(tels[0].value).strip()
    if v.lower().startswith("tel:"):  # a vCard 4.0 URI value: the number
        v = v[4:]
    return clean(v)


def readVcf(name, path):
    import vobject
    data = open(path, "rb").read()
    try:
        text = data.decode("utf-8-sig")
        cards = list(vobject.readComponents(text, ignoreUnreadable=False))
    except Exception as e:  # noqa: BLE001 - whatever the parser raises
        out("vcf-error", name, clean("%s: %s" % (type(e).__name__, e))[:200])
        return
    for card in cards:
        if card.name != "VCARD":
            continue
        family = given = ""
        if hasattr(card, "n"):
            n = card.n.value
            if hasattr(n, "family"):
                family = " ".join(n.family) if isinstance(n.family, list) else n.family
                given = " ".join(n.given) if isinstance(n.given, list) else n.given
        if not family and not given and hasattr(card, "fn"):
            # As the importer: without N the FN, its last word the family name; an
            # organisation's card (KIND:org) keeps its FN whole.
            full = str(card.fn.value).strip()
            kind = str(card.kind.value).strip().lower() if hasattr(card, "kind") else ""
            if kind == "org":
                family, given = full, ""
            else:
                family, _, given = full.rpartition(" ")[::-1]
        if not family and not given and hasattr(card, "org"):
            org = card.org.value
            family = str(org[0] if isinstance(org, list) and org else org).strip()
        if not family and not given:
            continue  # no name at all: the importer refuses such a card
        family, given = clean(family), clean(given)
        out("vcf-card", name, family, given, telOf(card), bdayOf(card))


def main():
    corpus, today = sys.argv[1], date.fromisoformat(sys.argv[2])
    for kind, reader in (("ical", readIcs), ("vcard", readVcf)):
        top = os.path.join(corpus, kind)
        for project in sorted(os.listdir(top)):
            for f in sorted(os.listdir(os.path.join(top, project))):
                name = "%s/%s/%s" % (kind, project, f)
                path = os.path.join(top, project, f)
                try:
                    if kind == "ical":
                        reader(name, path, today)
                    else:
                        reader(name, path)
                except RecursionError as e:
                    out(kind == "ical" and "ics-error" or "vcf-error", name, clean(e))
    sys.stdout.flush()


if __name__ == "__main__":
    main()
