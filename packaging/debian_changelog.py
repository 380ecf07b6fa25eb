#!/usr/bin/python3
"""Writes CHANGELOG.md as a Debian changelog, for /usr/share/doc/PACKAGE/changelog.gz.

usage: debian_changelog.py CHANGELOG.md PACKAGE MAINTAINER OUT
"""

import datetime
import re
import sys


def main(changelog_path, package, maintainer, out_path):
    with open(changelog_path, encoding="utf-8") as changelog:
        lines = changelog.read().splitlines()
    stanzas = []
    version = None
    items = []
    for line in lines + ["## [end] - 1970-01-01"]:
        heading = re.match(r"^## \[(.+)\] - (\d{4}-\d{2}-\d{2})$", line)
        if heading:
            if version:
                stanzas.append((version, date, items))
            version, date, items = heading.group(1), heading.group(2), []
        elif version and line.startswith("- "):
            items.append(line[2:])
        elif version and line.startswith("  ") and items:
            items[-1] += " " + line.strip()
    with open(out_path, "w", encoding="utf-8") as out:
        newer = None
        for version, date, items in stanzas:
            day = datetime.datetime.strptime(date, "%Y-%m-%d").replace(
                hour=12, tzinfo=datetime.timezone.utc)
            if newer is not None and day >= newer:
                day = newer - datetime.timedelta(hours=1)  # two releases on one day
            newer = day
            out.write("%s (%s) unstable; urgency=medium\n\n" % (package, version))
            for item in items:
                words = item.split()
                text = "  *"
                for word in words:
                    if len(text) + 1 + len(word) > 78:
                        out.write(text + "\n")
                        text = "   "
                    text += " " + word
                out.write(text + "\n")
            out.write("\n -- %s  %s\n\n" % (maintainer, day.strftime("%a, %d %b %Y %H:%M:%S +0000")))


if __name__ == "__main__":
    if len(sys.argv) != 5:
        sys.exit(__doc__)
    main(*sys.argv[1:])
