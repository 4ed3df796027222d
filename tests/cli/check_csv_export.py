#!/usr/bin/env python3
"""Reads a CSV table written by tarnwick-scan --csv with Python's csv module,
as a spreadsheet program would, and checks it row by row against the
--json --files document of the same scan:

    check_csv_export.py TABLE.csv DOCUMENT.json

The table must begin with a UTF-8 byte-order mark, end every line with CRLF,
hold the header row and then every folder of the document in its order, each
followed by its files: path, name, type, size, allocated size, local ISO 8601
time (in the TZ the caller runs both under) and attribute letters. A name a
spreadsheet would take for a formula must carry one apostrophe before it.
Prints the first difference and exits 1; prints the row count and exits 0."""

import csv
import datetime
import io
import json
import sys

HEADER = ["路径", "名称", "类型", "大小", "分配", "修改时间", "属性"]
FORMULA_STARTS = ("=", "+", "-", "@", "\t", "\r")
LETTERS = ((0x1, "R"), (0x2, "H"), (0x4, "S"), (0x20, "A"), (0x800, "C"), (0x4000, "E"), (0x400, "L"))
TICKS_PER_SECOND = 10_000_000
SECONDS_1601_TO_1970 = 11_644_473_600


def cell(text):
    """What a text cell holds: NUL shown as U+FFFD, a formula start guarded."""
    text = text.replace("\x00", "\ufffd")
    return "'" + text if text.startswith(FORMULA_STARTS) else text


def local_iso(filetime):
    if filetime <= 0:
        return ""
    seconds = filetime // TICKS_PER_SECOND - SECONDS_1601_TO_1970
    local = datetime.datetime.fromtimestamp(seconds, datetime.timezone.utc).astimezone()
    offset = local.utcoffset()
    minutes = int(offset.total_seconds()) // 60
    sign = "-" if minutes < 0 else "+"
    minutes = abs(minutes)
    return local.strftime("%Y-%m-%dT%H:%M:%S") + f"{sign}{minutes // 60:02d}:{minutes % 60:02d}"


def letters(bits):
    return "".join(letter for bit, letter in LETTERS if bits & bit)


def expected_rows(document):
    files_of = {}
    for item in document["files"]:
        files_of.setdefault(item["folder_id"], []).append(item)
    rows = [HEADER]
    for folder in document["folders"]:
        path = folder["path"]
        rows.append([path, cell(folder["name"]), "文件夹", str(folder["total_size"]), str(folder["total_alloc"]),
                     local_iso(folder["mtime"]), letters(folder["attributes"])])
        prefix = path if path.endswith("\\") else path + "\\"
        for item in files_of.get(folder["id"], []):
            name = item["name"].replace("\x00", "\ufffd")
            rows.append([prefix + name, cell(item["name"]), "文件", str(item["size"]), str(item["alloc"]),
                         local_iso(item["mtime"]), letters(item["attributes"])])
    return rows


def main():
    table_path, document_path = sys.argv[1:3]
    with open(table_path, "rb") as f:
        raw = f.read()
    if not raw.startswith(b"\xef\xbb\xbf"):
        print("no byte-order mark")
        return 1
    if not raw.endswith(b"\r\n"):
        print("the last line does not end with CRLF")
        return 1
    text = raw.decode("utf-8-sig")
    got = list(csv.reader(io.StringIO(text, newline=""), strict=True))
    with open(document_path, encoding="utf-8") as f:
        document = json.load(f)
    want = expected_rows(document)
    if len(got) != len(want):
        print(f"{len(got)} rows, the document gives {len(want)}")
    for k, (g, w) in enumerate(zip(got, want)):
        if g != w:
            print(f"row {k}: {g!r}, the document gives {w!r}")
            return 1
    if len(got) != len(want):
        return 1
    # Every record ends with CRLF: the table holds one CRLF per record beyond
    # those inside quoted cells.
    inside = sum(c.count("\r\n") for row in got for c in row)
    if text.count("\r\n") != len(got) + inside:
        print(f"{text.count(chr(13) + chr(10))} CRLF for {len(got)} records and {inside} inside cells")
        return 1
    print(f"{len(got)} rows")
    return 0


if __name__ == "__main__":
    sys.exit(main())
