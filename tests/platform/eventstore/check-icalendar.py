#!/usr/bin/env python3
"""Reads iCalendar files with an independent reader (python3-icalendar) and
checks that each names the instants the writer meant.

Usage: check-icalendar.py MANIFEST

The manifest is a JSON list of {"file": path, "expect": {property: value}},
value being seconds since 1970 for a date-time or "YYYY-MM-DD" for a date.
Every VTIMEZONE must turn into a time zone (the reader refuses a malformed
one), and a time given with a TZID is read in that file's own definition of
the zone, a repeated local time meaning its first occurrence. Prints each
failure and exits 1 when there is one.
"""

import datetime
import json
import sys

from icalendar import Calendar


def instant(prop, zones):
    value = prop.dt
    tzid = prop.params.get("TZID")
    if tzid is not None:
        naive = value.replace(tzinfo=None)
        return zones[str(tzid)].localize(naive, is_dst=True).timestamp()
    if value.tzinfo is None:
        raise ValueError("a floating time: " + prop.to_ical().decode())
    return value.timestamp()


def check(entry):
    with open(entry["file"], "rb") as source:
        calendar = Calendar.from_ical(source.read())
    zones = {str(zone["TZID"]): zone.to_tz() for zone in calendar.walk("VTIMEZONE")}
    items = [c for c in calendar.walk() if c.name in ("VEVENT", "VTODO")]
    if len(items) != 1:
        return ["%d items instead of one" % len(items)]
    problems = []
    for name, expected in entry["expect"].items():
        prop = items[0].get(name)
        if prop is None:
            problems.append("no " + name)
        elif isinstance(expected, str):
            value = prop.dt
            if isinstance(value, datetime.datetime) or value.isoformat() != expected:
                problems.append("%s is %r, not the day %s" % (name, value, expected))
        else:
            got = instant(prop, zones)
            if got != expected:
                problems.append("%s names %s, not %s" % (name, got, expected))
    return problems


def main():
    with open(sys.argv[1]) as source:
        manifest = json.load(source)
    failed = False
    for entry in manifest:
        try:
            problems = check(entry)
        except Exception as error:  # the reader refused the file
            problems = ["unreadable: %s: %s" % (type(error).__name__, error)]
        for problem in problems:
            failed = True
            print("%s: %s" % (entry["file"], problem))
    print("%d files read" % len(manifest))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
