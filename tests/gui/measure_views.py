#!/usr/bin/env python3
"""Times the result views on the volume tools/wine/measure_views.sh prepared
(drive X: with the folder "wide" of many files). Prints one line per figure."""

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
    parser.add_argument("--files", type=int, required=True)
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
        figures = []

        # The folder is found by its file count (its name may be missing from
        # the base record of a folder this large: the scan then names it by its
        # record number).
        def row_of(test, after=-1):
            listing = v.rows(gui, v.FOLDER_LIST, 0, 200)
            return next(r for r in listing["rows"] if test(r) and r["index"] > after)

        wide = lambda r: r["cells"][0] != v.DIRECT_FILES and r["cells"][5] == str(args.files)
        group = lambda r: r["cells"][0] == v.DIRECT_FILES

        def open_row(test, label, after=-1):
            row = row_of(test, after)
            gui.probe("select", str(v.FOLDER_LIST), str(row["index"]))
            x, y, w, h = row["rect"]
            figures.append((label, timed(gui, "dblclick", str(v.FOLDER_LIST), str(x + 200), str(y + h // 2))))

        open_row(wide, f"open the folder of {args.files} files (treemap: every file)")
        open_row(group, f"open its [直接文件] row ({args.files} file rows)", row_of(wide)["index"])
        count = v.rows(gui, v.FOLDER_LIST, 0, 1)["count"]
        print("folder list rows:", count, "caption:", v.caption(gui))
        for column, title in enumerate(["文件夹", "占父目录 %", "大小", "分配", "项目", "文件", "文件夹", "修改时间", "属性"]):
            ms = timed(gui, "header", str(v.FOLDER_LIST), str(column))
            marks = [h["sort"] for h in v.rows(gui, v.FOLDER_LIST, 0, 0)["header"]]
            if marks[column] == "":
                ms = float("nan")  # the click did not sort
            figures.append((f"sort by column {column} ({title}), now {marks[column]}", ms))
        figures.append(("scroll to the last row (WM_VSCROLL SB_BOTTOM)", timed(gui, "bottom", str(v.FOLDER_LIST))))
        figures.append(("press End (select the last row and show it)", timed(gui, "end", str(v.FOLDER_LIST))))
        figures.append(("repaint the whole window once", timed(gui, "repaint", "1")))
        gui.screenshot("measured")
        for label, ms in figures:
            print(f"{ms:9.1f} ms  {label}")
        return 0
    finally:
        gui.probe("command", "1016")
        try:
            gui.app.wait(30)
        except Exception:
            gui.app.kill()


if __name__ == "__main__":
    sys.exit(main())
