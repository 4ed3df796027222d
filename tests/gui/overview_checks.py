"""The 全景 page under real mouse and keyboard input, on the sample volume X:
scanned: the tab, the colours of its picture against the bytes of the
extensions (pixels classed by their nearest palette hue, as
tests/cli/check_treemap_png.py classes the picture's), the tip over a
file's cell, zooming in with a double-click and out with Backspace and the
path bar, Enter into 树状视图, and the live GDI objects across 50 zooms.
check_high_dpi runs in the 144 DPI phase. Called by gui_test.py; leaves
the 树状视图 tab chosen."""

import json
import os
import shutil
import subprocess
import sys
import time
from collections import Counter

import gui_test as g
import list_nav as nav
import picture_checks as shapes
import view_checks as v

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "cli"))
import check_treemap_png as picture  # noqa: E402  the palette classes of the picture's test

OVERVIEW = 1030
TAB = "全景"
SEPARATOR = " \u203a "
TIP_CLASS = "tooltips_class32"
TOLERANCE = 3.0  # percentage points


def scale(value, dpi):
    return g.scale(value, dpi)


def overview_of(d):
    return next((c for c in d["controls"] if c["id"] == OVERVIEW), None) if d else None


def picture_rect(d, dpi):
    """The picture's part of the control, in screen pixels: below the path
    bar (S(28)), above the legend (S(26))."""
    x, y, w, h = overview_of(d)["client"]
    return x, y + scale(28, dpi), w, h - scale(28, dpi) - scale(26, dpi)


def state(gui):
    return gui.probe("overview") or {"pictures": -1, "busy": 1, "cells": 0, "path": None}


def settled(gui, path=None, after=0, timeout=20):
    """Waits until the control shows a picture (more than `after`), makes
    none, and names `path`; the last state."""
    return v.wait(lambda: (lambda s: s if s["pictures"] > after and not s["busy"] and s["cells"] > 0
                           and (path is None or s["path"] == path) else None)(state(gui)),
                  timeout=timeout) or state(gui)


def open_tab(gui, text):
    d = gui.dump()
    tabs = g.controls_by_name(d)["tabs"]
    if text not in tabs.get("texts", []):
        return None
    index = tabs["texts"].index(text)
    x, y, w, h = tabs["items"][index]
    gui.click(*g.screen_point(d, x + w // 2, y + h // 2))
    d, _ = gui.wait_for(lambda x: g.controls_by_name(x)["tabs"]["selection"] == index, 5, step=0.3)
    return d


def classes_of(gui, shot, rect):
    """The rectangle's rows of pixels, each pixel by its palette class."""
    rows = []
    for line in shapes.rgb_rows(shot, rect):
        rows.append([picture.palette_class(*c) for c in line])
    return rows


def bytes_by_entry(scan):
    """The bytes of the extensions on each palette entry, with the swatch
    rule: the first extension equal to one with ASCII letters folded gives
    its colour."""
    first, by_entry = {}, Counter()
    for position, e in enumerate(scan["extensions"]):
        key = "".join(ch.lower() if "A" <= ch <= "Z" else ch for ch in e["extension"])
        first.setdefault(key, position)
        by_entry[first[key] % 12] += max(e["total_size"], 0)
    return by_entry


def point_of_class(rows, rect, entry):
    """The screen point of a pixel of that class nearest to the middle of
    all of them (inside the class's largest patch, not between two)."""
    found = [(i, j) for j, line in enumerate(rows) for i, c in enumerate(line) if c == entry]
    if len(found) < 100:
        return None
    xs = sorted(p[0] for p in found)
    ys = sorted(p[1] for p in found)
    mx, my = xs[len(xs) // 2], ys[len(ys) // 2]
    i, j = min(found, key=lambda p: (p[0] - mx) ** 2 + (p[1] - my) ** 2)
    return rect[0] + i, rect[1] + j


def tip_at(gui, point):
    """Rests the pointer on the point; the visible tip's text, or None."""
    gui.xdotool("mousemove", point[0] - 6, point[1] - 6)
    time.sleep(0.2)
    gui.xdotool("mousemove", *point)
    end = time.time() + 5
    while time.time() < end:
        time.sleep(0.4)
        tips = [w["title"] for w in gui.probe("windows") or [] if w["class"].lower() == TIP_CLASS and w["visible"]]
        tip = next((t for t in tips if "\n" in t), None)
        if tip:
            return tip
    return None


def path_bar_text(path):
    """"[X:] › Users › alice" of a folder path X:\\Users\\alice."""
    drive, _, rest = path.partition(":\\")
    return SEPARATOR.join([f"[{drive}:]"] + [p for p in rest.split("\\") if p])


def check_overview(gui, rep, scanner, image):
    """The checks at 96 DPI; X: is the result shown."""
    scan = json.loads(subprocess.run([scanner, "--json", "--files", "--drive-letter", "X", "-q", image],
                                     stdout=subprocess.PIPE, check=True).stdout)
    files = {f["folder_path"].rstrip("\\") + "\\" + f["name"]: f for f in scan["files"]}
    d = open_tab(gui, TAB)
    if not rep.check("全景: the tab is there", d is not None, "no tab named 全景"):
        return
    shown = overview_of(d)
    others = [c["id"] for c in d["controls"] if c["visible"] and c["id"] in (1003, 1004, 1009, 1014, 1020, 1021)]
    t = scale(78, 96) + scale(30, 96) + scale(28, 96)
    w, h = d["client"][2], d["client"][3]
    want = [12, t - 28, w - 24, h - t - 30 - 12 + 28]
    s = settled(gui, "[X:]")
    nav.mouse_away(gui, d)
    time.sleep(0.5)
    shot = gui.screenshot("overview-96dpi")
    if not rep.check("全景: the fifth tab shows the page alone, the whole volume at its layout rectangle",
                     shown is not None and shown["visible"] and not others
                     and shown["rect"] == want and s["path"] == "[X:]" and s["cells"] > 100,
                     f"tab texts {d and g.controls_by_name(d)['tabs'].get('texts')}, control {shown}, want {want}, "
                     f"other lists visible {others}, state {s}"):
        return

    # ---- colours: pixels by palette class against the bytes' shares -----------
    rect = picture_rect(d, 96)
    rows = classes_of(gui, shot, rect)
    total = sum(len(line) for line in rows)
    counts = Counter(c for line in rows for c in line)
    by_entry = bytes_by_entry(scan)
    all_bytes = sum(by_entry.values())
    largest = [e for e, _ in by_entry.most_common(3)]
    shares = {e: (100.0 * counts[e] / total, 100.0 * by_entry[e] / all_bytes) for e in largest}
    print("  palette entry: pixels %, bytes %: " +
          ", ".join(f"{e}: {p:.2f}, {b:.2f}" for e, (p, b) in shares.items()))
    rep.check("全景: each of the three largest palette classes covers its bytes' share of the picture (within 3 points)",
              len(largest) == 3 and all(abs(p - b) <= TOLERANCE for p, b in shares.values()), str(shares))

    # ---- the tip over a file ---------------------------------------------------
    point = point_of_class(rows, rect, largest[0])
    tip = tip_at(gui, point) if point else None
    path = tip.split("\n")[0] if tip else None
    known = files.get(path)
    gui.screenshot("overview-tip")
    if not rep.check("全景: resting on a file's cell shows a tip with its path, size and share",
                     known is not None and "大小 " in tip and "占比 " in tip
                     and bytes_by_entry_of(scan, known["extension"]) == largest[0],
                     f"point {point}, tip {tip!r}"):
        return

    # ---- zoom: a double-click, Backspace, the path bar ---------------------------
    folder = path.rsplit("\\", 1)[0]
    before = state(gui)["pictures"]
    v.double_click(gui, *point)
    zoomed = settled(gui, path_bar_text(folder), before)
    nav.mouse_away(gui, d)
    shot = gui.screenshot("overview-zoomed")
    before = zoomed["pictures"]
    gui.key("BackSpace")
    out = settled(gui, path_bar_text(folder.rsplit("\\", 1)[0]), before)
    rep.check("全景: a double-click on a file zooms into its folder (the path bar names it), Backspace zooms out",
              zoomed["path"] == path_bar_text(folder) and out["path"] == path_bar_text(folder.rsplit("\\", 1)[0]),
              f"file {path}: after the double-click {zoomed}, after Backspace {out}")
    # In again through the folder's own cell on the page now shown, out with the mouse's back button.
    shot = gui.screenshot("overview-parent")
    inner = point_of_class(classes_of(gui, shot, rect), rect, largest[0])
    v.double_click(gui, *inner)
    again = settled(gui, path_bar_text(folder), out["pictures"])
    gui.xdotool("click", 8)
    back = settled(gui, path_bar_text(folder.rsplit("\\", 1)[0]), again["pictures"])
    rep.check("全景: the mouse's back button zooms out", again["path"] == path_bar_text(folder)
              and back["path"] == path_bar_text(folder.rsplit("\\", 1)[0]), f"in {again}, back {back}")
    # A click on the path bar's first part, the root's.
    cx, cy, cw, ch = overview_of(gui.dump())["client"]
    before = out["pictures"]
    gui.click(cx + 3, cy + scale(11, 96))
    root = settled(gui, "[X:]", before)
    rep.check("全景: a click on the path bar's first part shows the whole volume again", root["path"] == "[X:]",
              str(root))

    check_menu(gui, rep, rows, rect, point, path, largest)

    # ---- Enter: the selected file in 树状视图 ------------------------------------
    time.sleep(nav.DOUBLE_CLICK_GAP)
    gui.click(*point)
    time.sleep(0.5)
    gui.screenshot("overview-selected")
    gui.key("Return")
    d, tree = gui.wait_for(lambda x: g.controls_by_name(x)["tabs"]["selection"] == 0
                           and g.controls_by_name(x)["folder_list"]["visible"], 5, step=0.3)
    name = path.rsplit("\\", 1)[1]
    selected = v.wait(lambda: nav.selected_name(nav.listing(gui)) == name, timeout=3)
    gui.screenshot("overview-enter-tree-view")
    rep.check("全景: Enter shows the selected file in 树状视图, its row selected", tree and bool(selected),
              f"tree view {tree}, selected {nav.selected_name(nav.listing(gui))!r}, want {name!r}")

    check_gdi(gui, rep, point, folder)


def menus(gui):
    return [w for w in gui.probe("windows") or [] if w["class"] == "#32768" and w["visible"]]


def check_menu(gui, rep, rows, rect, point, path, largest):
    """A right-click on a file's cell opens the shell's menu for its path
    when the shell knows it (a file made for the purpose where drive X:'s
    directory is), and none on a cell whose path it does not know."""
    drive_dir = os.path.join(os.environ.get("WINEPREFIX", ""), "drive_x")
    parts = path.split(":\\", 1)[1].split("\\")
    made = os.path.join(drive_dir, parts[0])
    if not os.path.isdir(drive_dir) or os.path.exists(made):
        rep.skip("全景: right-click opens the shell's menu", f"no fresh directory for X: at {drive_dir}")
        return
    results = []
    try:
        os.makedirs(os.path.join(drive_dir, *parts[:-1]), exist_ok=True)
        with open(os.path.join(drive_dir, *parts), "wb") as f:
            f.write(b"known to the shell\n")
        other = point_of_class(rows, rect, largest[1])
        for where, want in ((point, True), (other, False)):
            if where is None:
                results.append("no point")
                continue
            time.sleep(nav.DOUBLE_CLICK_GAP)
            gui.click(*where, button=3)
            shown = bool(v.wait(lambda: menus(gui), timeout=3 if want else 1.5))
            if shown:
                gui.screenshot("overview-menu")
                gui.key("Escape")
                v.wait(lambda: not menus(gui), timeout=3)
            if shown != want:
                results.append(f"{where}: menu {shown}")
    finally:
        shutil.rmtree(made, ignore_errors=True)
    rep.check("全景: right-click shows the shell's menu for a path it knows, none otherwise", not results,
              "; ".join(results))


def bytes_by_entry_of(scan, extension):
    """The palette entry of an extension with the swatch rule."""
    key = lambda e: "".join(ch.lower() if "A" <= ch <= "Z" else ch for ch in e)
    for position, e in enumerate(scan["extensions"]):
        if key(e["extension"]) == key(extension):
            return position % 12
    return None


def check_gdi(gui, rep, point, folder):
    """50 zooms into the file's folder and out again leave as many live GDI
    objects as before: the page at the folder's parent (a double-click on
    the file at the root, then Backspace), then 50 double-clicks on a pixel
    of the file's colour there, each followed by Backspace."""
    d = open_tab(gui, TAB)
    parent = folder.rsplit("\\", 1)[0]
    s = settled(gui, "[X:]")
    v.double_click(gui, *point)
    s = settled(gui, path_bar_text(folder), s["pictures"])
    gui.key("BackSpace")
    s = settled(gui, path_bar_text(parent), s["pictures"])
    nav.mouse_away(gui, d)
    time.sleep(0.5)
    shot = gui.screenshot("overview-gdi-start")
    rect = picture_rect(d, 96)
    rows = classes_of(gui, shot, rect)
    entry = picture.palette_class(*shapes.rgb_rows(shot, (point[0], point[1], 1, 1))[0][0])
    inner = point_of_class(rows, rect, entry)
    start = gui.probe("gdi")
    zoom = gui.probe("zoom", "50", str(inner[0]), str(inner[1]), timeout=600) if inner else None
    after = gui.probe("gdi")
    end = state(gui)
    print(f"  GDI objects: {start} -> after 50 zooms {after} ({zoom})")
    rep.check("全景: live GDI objects do not grow across 50 zooms in and out",
              s["path"] == path_bar_text(parent) and zoom is not None and zoom["rounds"] == 50 and start and after
              and after["live"] == start["live"] and after["created"] > start["created"] + 100
              and end["path"] == path_bar_text(parent),
              f"page at {s['path']}, {zoom}, {start} -> {after}, then {end}")
    open_tab(gui, "树状视图")


def check_high_dpi(gui, rep, dpi):
    """At another DPI: the control at its scaled rectangle, the whole volume
    shown, most of the picture in palette colours, a screenshot to look at."""
    d = open_tab(gui, TAB)
    s = settled(gui, "[X:]")
    nav.mouse_away(gui, d)
    time.sleep(0.5)
    shot = gui.screenshot(f"overview-{dpi}dpi")
    shown = overview_of(d)
    t = scale(78, dpi) + scale(30, dpi) + scale(28, dpi)
    w, h = d["client"][2], d["client"][3]
    m = scale(12, dpi)
    title = scale(22, dpi) + scale(6, dpi)
    want = [m, t - title, w - 2 * m, h - t - scale(30, dpi) - m + title]
    rows = classes_of(gui, shot, picture_rect(d, dpi))
    total = sum(len(line) for line in rows)
    coloured = sum(1 for line in rows for c in line if isinstance(c, int)) / max(total, 1)
    rep.check(f"{dpi} DPI: 全景 at its scaled rectangle shows the whole volume, mostly in palette colours",
              shown is not None and shown["rect"] == want and s["path"] == "[X:]" and coloured >= 0.6,
              f"control {shown and shown['rect']}, want {want}, state {s}, coloured {coloured:.1%}")
    open_tab(gui, "树状视图")
