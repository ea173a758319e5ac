#!/usr/bin/python3
"""Writes the reference text of the reference screen: a template of hosts entries that send the
servers of six kinds of service nowhere.

Run with Debian's Python:  /usr/bin/python3 app/design/make_reference.py [--out DIR]
(DIR defaults to this folder; the text goes to DIR/reference.txt.)

The text is 654 lines, each ended by CR LF, ASCII only:
    1-19    a comment header: what the file is for, how an entry is written, an example
    20      empty
    21      the loopback entry: 127.0.0.1, 13 blanks, localhost
    22      empty
    23-654  six groups, each a banner (37 '#', a title line, 37 '#') and its entries, an empty
            line between groups; 105, 200, 24, 28, 133 and 119 entries. An entry is 127.0.0.1,
            13 blanks and a host name (the name starts in column 23); the last six entries of
            the last group use 0.0.0.0 and 17 blanks (column 25).

The host names are made up for this program from the word lists below; every vendor domain is
under the reserved top-level name .example, so no real server is named. Nothing is random: the
same text comes out every time.
"""
import argparse
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))

HEADER = [
    "# Template of a hosts file (Vornada reference).",
    "#",
    "# The hosts file maps host names to IP addresses on this computer. The system",
    "# reads it before it asks a name server, so an entry here decides where a",
    "# name leads for every program on this computer.",
    "#",
    "# Each entry is one line: the IP address, then at least one blank or tab,",
    "# then the host name. More names for the same address may follow on the line.",
    "# Text after a '#' is a comment; empty lines are ignored.",
    "#",
    "# An entry that points a name at 127.0.0.1 (this computer) or at 0.0.0.0",
    "# (no computer) keeps programs from reaching the server of that name.",
    "# Copy the groups you need into your hosts file, save it, and the names",
    "# stop resolving at once; remove the lines to undo it.",
    "#",
    "# For example:",
    "#",
    "#      192.0.2.15       files.intranet.example    # a file server",
    "#      127.0.0.1        counter.metrics.example   # sent nowhere",
]

LOOPBACK = "127.0.0.1" + " " * 13 + "localhost"
BANNER = "#" * 37

# Each group: its title, its size, the service labels of its servers and the vendors (fictional)
# whose servers they are.
GROUPS = [
    ("Telemetry and usage statistics", 105,
     ["telemetry", "usage", "stats", "events", "collect", "report", "diag", "metrics", "ping",
      "heartbeat", "sessions", "insights", "feedback", "trace", "beacon"],
     ["orvella", "quantaleaf", "lumenary", "kestrelsoft", "nordwave", "tessellate",
      "brightline-os"]),
    ("Advertising networks and ad servers", 200,
     ["ads", "ad", "adserver", "banners", "serve", "track", "click", "imp", "pixel", "rtb",
      "bid", "sync", "promo", "display", "video-ads", "static-ads", "cdn-ads", "adx",
      "delivery", "syndication"],
     ["admosaic", "bannerforge", "clickharbor", "pixelmint", "adlantis", "promovista",
      "spotbidder", "reachloom", "adquarry", "viewyield"]),
    ("Crash and error reporting", 24,
     ["crash", "crashdump", "errors", "faults", "minidump", "oops"],
     ["orvella", "kestrelsoft", "tessellate", "nordwave"]),
    ("Software activation and licence checks", 28,
     ["activate", "activation", "license", "licensing", "keycheck", "validate", "genuine"],
     ["paletteworks", "vectorhaus", "soundcrafter", "pixelmill"]),
    ("Web analytics and tracking pixels", 133,
     ["analytics", "collect", "stat", "counter", "tag", "tags", "visitors", "heatmap", "events",
      "log", "hit", "pv", "measure", "insight", "audience", "segment", "fp", "id", "match"],
     ["statspring", "clickgauge", "visitlens", "pagemeter", "tallyhawk", "tracejar",
      "heatloom"]),
    ("Update and notification services", 119,
     ["update", "updates", "download", "dl", "autoupdate", "notify", "push", "news", "promo",
      "offers", "messages", "toast", "feed"],
     ["orvella", "kestrelsoft", "paletteworks", "soundcrafter", "nordwave", "quantaleaf",
      "vectorhaus"]),
]
LAST_GROUP_NULL_ROUTED = 6  # the last entries of the last group use 0.0.0.0


def group_names(size, labels, vendors, used):
    """`size` distinct host names, walking service labels and vendors in a fixed pattern and
    numbering servers when a label repeats for a vendor."""
    names = []
    k = 0
    while len(names) < size:
        label = labels[k % len(labels)]
        vendor = vendors[(k // len(labels) + k) % len(vendors)]
        round_ = k // (len(labels) * len(vendors))
        host = label if round_ == 0 else f"{label}{round_ + 1}"
        region = ("", "eu.", "us.", "ap.")[(k // len(labels)) % 4]
        name = f"{host}.{region}{vendor}.example"
        k += 1
        if name in used:
            continue
        used.add(name)
        names.append(name)
    return names


def reference_lines():
    lines = list(HEADER)
    assert len(lines) == 19
    lines += ["", LOOPBACK, ""]
    used = {"localhost"}
    for g, (title, size, labels, vendors) in enumerate(GROUPS):
        if g > 0:
            lines.append("")
        lines += [BANNER, "# " + title, BANNER]
        names = group_names(size, labels, vendors, used)
        for i, name in enumerate(names):
            null_routed = g == len(GROUPS) - 1 and i >= size - LAST_GROUP_NULL_ROUTED
            address = "0.0.0.0" + " " * 17 if null_routed else "127.0.0.1" + " " * 13
            lines.append(address + name)
    assert len(lines) == 654, len(lines)
    return lines


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--out", default=HERE, help="folder to write reference.txt into")
    args = parser.parse_args()
    os.makedirs(args.out, exist_ok=True)
    text = "".join(line + "\r\n" for line in reference_lines())
    with open(os.path.join(args.out, "reference.txt"), "wb") as f:
        f.write(text.encode("ascii"))
    return 0


if __name__ == "__main__":
    sys.exit(main())
