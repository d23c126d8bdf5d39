#!/usr/bin/python3
# gather.py - copies the public test files of the projects below from bare git mirrors into
# ical/<project>/ and vcard/<project>/ byte for byte and writes SOURCES.md.
#
#   /usr/bin/python3 gather.py MIRRORS    (MIRRORS/<owner>+<name>/repo are bare git directories)
#
# A file keeps its bytes exactly (git cat-file blob); its path below the project's folder is
# flattened with "__".  Left out: symbolic links, files over 2 MB, generated zone databases.
import os
import re
import subprocess
import sys

MAX_SIZE = 2 * 1024 * 1024

# The licence text of each repository (copied to LICENSES/<owner>+<name>.txt).
LICENCE_FILES = {
    "collective/icalendar": "LICENSE.rst",
    "niccokunzmann/python-recurring-ical-events": "LICENSE",
    "pimutils/khal": "COPYING",
    "ical4j/ical4j": "LICENSE.txt",
    "libical/libical": "LICENSES/MPL-2.0.txt",
    "mozilla-comm/ical.js": "LICENSE",
    "sabre-io/vobject": "LICENSE",
    "Kozea/Radicale": "COPYING.md",
    "mangstadt/ez-vcard": "LICENSE",
    "KDE/kcontacts": "LICENSES/LGPL-2.0-or-later.txt",
    "bitfireAT/vcard4android": "LICENSE",
    "lucc/khard": "LICENSE",
    "py-vobject/vobject": "LICENSE",
}

# (project, repository, licence SPDX, kind, folder, file pattern, excluded pattern)
PROJECTS = [
    ("icalendar", "collective/icalendar", "BSD-2-Clause", "ical",
     "src/icalendar", r"\.ics$", None),
    ("recurring-ical-events", "niccokunzmann/python-recurring-ical-events",
     "LGPL-3.0-or-later", "ical", "recurring_ical_events/test/calendars", r"\.ics$", None),
    ("khal", "pimutils/khal", "MIT", "ical", "tests/ics", r"\.ics$", None),
    ("ical4j", "ical4j/ical4j", "BSD-3-Clause", "ical", "src/test/resources",
     r"\.(ics|ical)$", r"zoneinfo"),
    ("libical", "libical/libical", "LGPL-2.1-only OR MPL-2.0", "ical", "",
     r"^(test-data/[^/]*|src/test/[^/]*|src/Net-ICal-Libical/test-data/[^/]*)\.ics$", None),
    ("ical.js", "mozilla-comm/ical.js", "MPL-2.0", "ical", "", r"^(samples|test)/.*\.ics$",
     None),
    ("sabre-vobject", "sabre-io/vobject", "BSD-3-Clause", "ical", "tests", r"\.ics$", None),
    ("radicale", "Kozea/Radicale", "GPL-3.0-only", "ical", "radicale/tests/static", r"\.ics$",
     None),
    ("ez-vcard", "mangstadt/ez-vcard", "BSD-2-Clause", "vcard", "src/test/resources/ezvcard",
     r"\.vcf$", None),
    ("kcontacts", "KDE/kcontacts", "LGPL-2.0-or-later", "vcard", "autotests/data", r"\.vcf$",
     None),
    ("radicale", "Kozea/Radicale", "GPL-3.0-only", "vcard", "radicale/tests/static",
     r"\.vcf$", None),
    ("vcard4android", "bitfireAT/vcard4android", "GPL-3.0-only", "vcard",
     "lib/src/test/resources", r"\.vcf$", None),
    ("khard", "lucc/khard", "GPL-3.0-only", "vcard", "test/fixture", r"\.vcf$", None),
    ("ical.js", "mozilla-comm/ical.js", "MPL-2.0", "vcard", "test", r"\.vcf$", None),
    ("sabre-vobject", "sabre-io/vobject", "BSD-3-Clause", "vcard", "tests", r"\.vcf$", None),
    ("py-vobject", "py-vobject/vobject", "Apache-2.0", "vcard", "test_files", r"\.vcf$", None),
    ("libical", "libical/libical", "LGPL-2.1-only OR MPL-2.0", "vcard", "test-data",
     r"\.vcf$", None),
]


# Files stored under another name than their path gives (the name says what the file holds),
# and files left out, by "<kind>/<project>/<name>".
RENAMED = {
    "ical/icalendar/tests__calendars__issue_466_respect_unique_timezone.ics": "tests__calendars__issue_466_unique_timezone.ics",
    "ical/khal/part0.ics": "cal_part_a.ics",
    "ical/khal/part1.ics": "cal_part_b.ics",
    "ical/sabre-vobject/VObject__RecurrenceIterator__UntilRespectsTimezoneTest.ics": "VObject__RecurrenceIterator__UntilInItsZoneTest.ics",
}
LEFT_OUT = {"ical/ical4j/samples__invalid__core.ics"}


def git(gitDir, *args):
    return subprocess.run(["git", "--git-dir=" + gitDir, *args], check=True,
                          stdout=subprocess.PIPE).stdout


def main():
    mirrors = sys.argv[1]
    here = os.path.dirname(os.path.abspath(__file__))
    sections = []
    for project, repo, spdx, kind, folder, pattern, exclude in PROJECTS:
        gitDir = os.path.join(mirrors, repo.replace("/", "+"), "repo")
        commit = git(gitDir, "rev-parse", "HEAD").decode().strip()
        args = ["ls-tree", "-r", "-l", "HEAD"] + ([folder] if folder else [])
        rows = []
        for line in git(gitDir, *args).decode().splitlines():
            meta, path = line.split("\t", 1)
            mode, _, blob, size = meta.split()
            rel = path[len(folder) + 1:] if folder else path
            if mode not in ("100644", "100755") or not re.search(pattern, rel):
                continue
            if exclude and re.search(exclude, rel):
                continue
            if int(size) > MAX_SIZE:
                continue
            name = rel.replace("/", "__")
            key = "%s/%s/%s" % (kind, project, name)
            if key in LEFT_OUT:
                continue
            name = RENAMED.get(key, name)
            target = os.path.join(here, kind, project, name)
            os.makedirs(os.path.dirname(target), exist_ok=True)
            with open(target, "wb") as f:
                f.write(git(gitDir, "cat-file", "blob", blob))
            rows.append((name, path))
        sections.append((project, repo, commit, folder, spdx, kind, rows))
        licence = os.path.join(here, "LICENSES", repo.replace("/", "+") + ".txt")
        os.makedirs(os.path.dirname(licence), exist_ok=True)
        with open(licence, "wb") as f:
            f.write(git(gitDir, "show", "HEAD:" + LICENCE_FILES[repo]))
    with open(os.path.join(here, "SOURCES.md"), "w") as out:
        out.write("# Origin of the corpus files\n\n"
                  "Public test files and exporter samples of other programs, copied byte for "
                  "byte by `gather.py` from the\nrepositories below (the commit named). Each "
                  "project's licence applies to its files; the licence\ntexts are in "
                  "`LICENSES/`.\n\n"
                  "Beside them: `counts.tsv` (what the import of each file gives, see "
                  "corpus_test.cpp) and `vcard_persons.tsv`\n(the persons each vCard sample must "
                  "give).  Files over 2 MB, symbolic links and generated zone\ndatabases were left "
                  "out.\n\n")
        out.write("| Folder | Repository | Commit | Original folder | Licence | Files |\n")
        out.write("|---|---|---|---|---|---|\n")
        for project, repo, commit, folder, spdx, kind, rows in sections:
            out.write(f"| {kind}/{project} | https://github.com/{repo} | {commit[:12]} | "
                      f"{folder or '/'} | {spdx} | {len(rows)} |\n")
        for project, repo, commit, folder, spdx, kind, rows in sections:
            out.write(f"\n## {kind}/{project}\n\n{repo} at {commit}, {spdx}\n\n")
            out.write("| File | Original path |\n|---|---|\n")
            for name, path in sorted(rows):
                out.write(f"| {name} | {path} |\n")


if __name__ == "__main__":
    main()
