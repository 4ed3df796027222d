#!/usr/bin/env python3
"""Times the result views on the volume tools/wine/measure_views.sh prepared
(drive X: with the folder "wide" of many files), or with --search the 搜索
page on drive X:. Prints one line per figure."""

import argparse
import sys
import time

import gui_test as g
import view_checks as v


def timed(gui, *args):
    out = gui.probe(*args, timeout=600)
    return out["ms"] if out else float("nan")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--bin", required=True)
    parser.add_argument("--shots", required=True)
    parser.add_argument("--files", type=int)
    parser.add_argument("--search", action="store_true", help="time the 搜索 page instead")
    args = parser.parse_args()
    gui = g.Gui(args)
    gui.app = gui.start()
    try:
        gui.dump(60000)
        d, _ = gui.wait_for(lambda x: x["visible"] and len(x["controls"]) >= 16, 30)
        d = g.select_drive(gui, d, "[X:]")
        gui.click(*g.centre(d, g.controls_by_name(d)["scan_button"]))
        d, done = gui.wait_for(lambda x: g.controls_by_name(x)["status_text"]["text"].startswith("扫描完成 "), 600)
        print("scan:", g.controls_by_name(d)["status_text"]["text"])
        if not done:
            return 1
        if args.search:
            return measure_search(gui)
        figures = []
        rounds = 5

        def record(label, times):
            times = sorted(t for t in times if t == t)  # NaN: the action did not take effect
            if times:
                figures.append((label, times[0], times[len(times) // 2], len(times)))
            else:
                figures.append((label, float("nan"), float("nan"), 0))

        # The folder is found by its file count (its name may be missing from
        # the base record of a folder this large: the scan then names it by its
        # record number).
        def row_of(test, after=-1):
            listing = v.rows(gui, v.FOLDER_LIST, 0, 200)
            return next(r for r in listing["rows"] if test(r) and r["index"] > after)

        wide = lambda r: r["cells"][0] != v.DIRECT_FILES and r["cells"][5] == str(args.files)
        group = lambda r: r["cells"][0] == v.DIRECT_FILES

        def toggle(test, after=-1):
            """Double-clicks the row (selected first); the time of the round trip."""
            row = row_of(test, after)
            gui.probe("select", str(v.FOLDER_LIST), str(row["index"]))
            x, y, w, h = row["rect"]
            return timed(gui, "dblclick", str(v.FOLDER_LIST), str(x + 200), str(y + h // 2))

        # Each open is followed by a close, except the last.
        opens = []
        for i in range(rounds):
            opens.append(toggle(wide))
            if i + 1 < rounds:
                toggle(wide)
        record(f"open the folder of {args.files} files (treemap: every file)", opens)
        opens = []
        for i in range(rounds):
            opens.append(toggle(group, row_of(wide)["index"]))
            if i + 1 < rounds:
                toggle(group, row_of(wide)["index"])
        record(f"open its [直接文件] row ({args.files} file rows)", opens)
        count = v.rows(gui, v.FOLDER_LIST, 0, 1)["count"]
        print("folder list rows:", count, "caption:", v.caption(gui))
        for column, title in enumerate(["文件夹", "占父目录 %", "大小", "分配", "项目", "文件", "文件夹", "修改时间", "属性"]):
            times = []
            for _ in range(rounds):  # descending, ascending, descending, ...
                ms = timed(gui, "header", str(v.FOLDER_LIST), str(column))
                marks = [h["sort"] for h in v.rows(gui, v.FOLDER_LIST, 0, 0)["header"]]
                times.append(ms if marks[column] else float("nan"))
            record(f"sort by column {column} ({title})", times)
        record("scroll to the last row (WM_VSCROLL SB_BOTTOM)",
               [timed(gui, "bottom", str(v.FOLDER_LIST)) for _ in range(rounds)])
        record("press End (select the last row and show it)", [timed(gui, "end", str(v.FOLDER_LIST))])
        record("repaint the whole window once", [timed(gui, "repaint", "1") for _ in range(rounds)])
        gui.screenshot("measured")
        print("   fastest    median  (of n)")
        for label, fastest, median, n in figures:
            print(f"{fastest:8.1f} ms {median:8.1f} ms  ({n})  {label}")
        return 0
    finally:
        gui.probe("command", "1016")
        try:
            gui.app.wait(30)
        except Exception:
            gui.app.kill()


# Each query is typed but for its last character, answered, and then the
# last keystroke timed until the count line changes and the window has
# repainted (the rows are set before the line).
SEARCHES = ["_12", "ext:jpg size:>100K", "ext:mp4,mp3 size:>1M", "photo*.JPG", "年度 1", "size:<=0", "report_7"]


def measure_search(gui):
    import search_checks as s
    import change_checks as c
    c.open_tab(gui, s.SEARCH_TAB)
    print("   fastest    median  (of n)")
    for query in SEARCHES:
        times, line = [], ""
        for _ in range(5):
            gui.probe("type", str(s.BOX), str(s.LINE), " ")  # a blank query between rounds: the hint
            out = gui.probe("type", str(s.BOX), str(s.LINE), query, timeout=120)
            if out and out.get("ms") is not None:
                times.append(out["ms"])
                line = out["line"]
        times.sort()
        if times:
            print(f"{times[0]:8.1f} ms {times[len(times) // 2]:8.1f} ms  ({len(times)})  {query!r}: {line}")
        else:
            print(f"     nan ms      nan ms  (0)  {query!r}")
    rows = gui.probe("list", str(s.LIST), "0", "3")
    print("first rows:", [r["cells"] for r in (rows or {}).get("rows", [])])
    gui.screenshot("measured-search")
    return 0


if __name__ == "__main__":
    sys.exit(main())
