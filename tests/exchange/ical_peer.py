#!/usr/bin/python3
# The peer side of the iCalendar and vCard tests, run with Debian's python3:
#   ical_peer.py dump-ics FILE   python3-icalendar and python3-vobject both parse FILE; one line
#                                per VEVENT (sorted): summary|start|end|location|class|trigger|
#                                attendees, times in Europe/Berlin
#   ical_peer.py dump-vcf FILE   python3-vobject parses FILE; one line per card (sorted):
#                                uid|fn|family|given|tel|street|city|zip|country|bday
#   ical_peer.py write-ics FILE  python3-icalendar writes a calendar of other programs' kind
import sys
from datetime import date, datetime, timedelta, timezone
from zoneinfo import ZoneInfo

BERLIN = ZoneInfo("Europe/Berlin")


def show(v):
    if isinstance(v, datetime):
        if v.tzinfo is not None:
            v = v.astimezone(BERLIN)
        return v.strftime("%Y-%m-%d %H:%M")
    if isinstance(v, date):
        return v.strftime("%Y-%m-%d")
    return "" if v is None else str(v)


def dump_ics(path):
    import icalendar
    import vobject
    data = open(path, "rb").read()
    cal = icalendar.Calendar.from_ical(data)
    with open(path, encoding="utf-8", newline="") as f:
        vcal = vobject.readOne(f)
    vcount = len(getattr(vcal, "vevent_list", []))
    lines = []
    for ev in cal.walk("VEVENT"):
        start = ev.decoded("DTSTART")
        end = ev.decoded("DTEND") if "DTEND" in ev else None
        trig = ""
        for al in ev.walk("VALARM"):
            trig = str(al.decoded("TRIGGER"))
        att = ",".join(str(a.params.get("CN", "")) for a in
                       (ev.get("ATTENDEE") if isinstance(ev.get("ATTENDEE"), list)
                        else [ev.get("ATTENDEE")] if ev.get("ATTENDEE") else []))
        lines.append("|".join([str(ev.get("SUMMARY")), show(start), show(end),
                               str(ev.get("LOCATION", "")), str(ev.get("CLASS", "")), trig, att]))
    for line in sorted(lines):
        print(line)
    print("vobject events", vcount)


def dump_vcf(path):
    import vobject
    with open(path, encoding="utf-8", newline="") as f:
        cards = list(vobject.readComponents(f))
    lines = []
    for c in cards:
        n = c.n.value
        adr = c.adr.value if hasattr(c, "adr") else None
        lines.append("|".join([
            c.uid.value, c.fn.value, n.family, n.given,
            c.tel.value if hasattr(c, "tel") else "",
            adr.street if adr else "", adr.city if adr else "", adr.code if adr else "",
            adr.country if adr else "", c.bday.value if hasattr(c, "bday") else ""]))
    for line in sorted(lines):
        print(line)


def write_ics(path):
    import icalendar
    cal = icalendar.Calendar()
    cal.add("prodid", "-//peer//python-icalendar//EN")
    cal.add("version", "2.0")

    def event(uid, summary, start, end=None, **extra):
        ev = icalendar.Event()
        ev.add("uid", uid)
        ev.add("dtstamp", datetime(2026, 1, 1, tzinfo=timezone.utc))
        ev.add("summary", summary)
        ev.add("dtstart", start)
        if end is not None:
            ev.add("dtend", end)
        for k, v in extra.items():
            ev.add(k, v)
        cal.add_component(ev)

    event("weekly@peer", "Chor", datetime(2026, 4, 7, 19, 0, tzinfo=BERLIN),
          datetime(2026, 4, 7, 21, 0, tzinfo=BERLIN), rrule={"freq": "weekly", "count": 4})
    event("allday@peer", "Urlaub", date(2026, 8, 3), date(2026, 8, 6))
    event("summer@peer", "Sommer UTC", datetime(2026, 7, 1, 8, 15, tzinfo=timezone.utc),
          datetime(2026, 7, 1, 9, 0, tzinfo=timezone.utc))
    event("winter@peer", "Winter UTC", datetime(2026, 1, 15, 8, 15, tzinfo=timezone.utc),
          datetime(2026, 1, 15, 9, 0, tzinfo=timezone.utc))
    # pytz zones are written with their names (TZID=America/New_York); zoneinfo ones above with
    # abbreviations (TZID=CEST, TZID=EDT), as this python3-icalendar does.
    import pytz
    ny = pytz.timezone("America/New_York")
    event("ny@peer", "New York", ny.localize(datetime(2026, 6, 10, 9, 0)),
          ny.localize(datetime(2026, 6, 10, 10, 0)))
    event("edt@peer", "Boston", datetime(2026, 6, 11, 9, 0, tzinfo=ZoneInfo("America/New_York")))
    event("lang@peer", "Gr\u00fc\u00dfe aus \u0141\u00f3d\u017a und ein sehr langer Titel mit mehr als vierzig Zeichen",
          datetime(2026, 5, 2, 12, 0), datetime(2026, 5, 2, 13, 0))
    with open(path, "wb") as f:
        f.write(cal.to_ical())


if __name__ == "__main__":
    {"dump-ics": dump_ics, "dump-vcf": dump_vcf, "write-ics": write_ics}[sys.argv[1]](sys.argv[2])
