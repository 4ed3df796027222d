"""What the views volume V: looks like on the screen: the shapes of the
treemap cells of 25 folders of nearly one size, how much of the treemap
10,000 small files cover, the tip over a cell and a single click on it, and
the white below the last row of a list (no rows of earlier contents left
behind). Pixels come from screenshots of the X root window, rectangles from
the probe. Called by interaction_checks.py."""

import statistics
import subprocess
import time

import gui_test as g
import list_nav as nav
import view_checks as v

TIP_CLASS = "tooltips_class32"
TIP_WORDS = ("大小", "分配", "占比")
LARGEST = "tiny"  # the root's largest folder on V:, in logical and allocated size
SC_MAXIMIZE, SC_RESTORE = 0xF030, 0xF120


def rgb_rows(path, rect):
    """The pixels of a screen rectangle of a screenshot, as rows of (r, g, b)."""
    x, y, w, h = rect
    raw = subprocess.run(["convert", path, "-crop", f"{w}x{h}+{x}+{y}", "+repage", "-depth", "8", "rgb:-"],
                         stdout=subprocess.PIPE, check=True).stdout
    if len(raw) != w * h * 3:
        raise ValueError(f"{rect} is not inside the screenshot")
    return [[tuple(raw[(j * w + i) * 3:(j * w + i) * 3 + 3]) for i in range(w)] for j in range(h)]


def regions(pixels, min_area=12):
    """The treemap's cells as the screen shows them: 4-connected regions of
    pixels that are not white (each cell has a white outline), as (width,
    height, area) of their bounding boxes; specks under min_area are left out."""
    h = len(pixels)
    w = len(pixels[0]) if h else 0
    seen = [[False] * w for _ in range(h)]
    found = []
    for y0 in range(h):
        for x0 in range(w):
            if seen[y0][x0] or pixels[y0][x0] == g.WHITE:
                continue
            seen[y0][x0] = True
            stack = [(x0, y0)]
            left, top, right, bottom, area = x0, y0, x0, y0, 0
            while stack:
                x, y = stack.pop()
                area += 1
                left, right, top, bottom = min(left, x), max(right, x), min(top, y), max(bottom, y)
                for nx, ny in ((x + 1, y), (x - 1, y), (x, y + 1), (x, y - 1)):
                    if 0 <= nx < w and 0 <= ny < h and not seen[ny][nx] and pixels[ny][nx] != g.WHITE:
                        seen[ny][nx] = True
                        stack.append((nx, ny))
            if area >= min_area:
                found.append((right - left + 1, bottom - top + 1, area))
    return found


def treemap_client(gui):
    return g.controls_by_name(gui.dump())["treemap"]["client"]


def tips_gone(gui, d):
    """Parks the pointer away from the treemap and waits until no tip covers
    it (a picture of the cells must show only the cells)."""
    nav.mouse_away(gui, d)
    v.wait(lambda: not any(w["class"].lower() == TIP_CLASS and w["visible"] and "大小" in w["title"]
                           for w in gui.probe("windows") or []), timeout=3)


def check_cell_shapes(gui, rep, d):
    """similar holds 25 folders of 200-224 KiB: their cells should be close to
    squares, not strips."""
    shown = nav.show_folder(gui, "similar")
    tips_gone(gui, d)
    shot = gui.screenshot("v-similar-cells")
    found = regions(rgb_rows(shot, treemap_client(gui)))
    aspects = sorted(max(w, h) / min(w, h) for w, h, _ in found)
    median = statistics.median(aspects) if aspects else None
    rep.check("V treemap: the 25 folders of one size are cells near square (median long/short side <= 2.5)",
              shown and 20 <= len(found) <= 30 and median is not None and median <= 2.5,
              f"caption {v.caption(gui)!r}, {len(found)} cells, median {median and round(median, 2)}, "
              f"sides {sorted((w, h) for w, h, _ in found)[:6]}...")


def find_tip(gui, name):
    """The visible tooltip window whose text names the item and its three figures."""
    tips = [w for w in gui.probe("windows") or [] if w["class"].lower() == TIP_CLASS and w["visible"]]
    match = next((w for w in tips if name in w["title"] and all(word in w["title"] for word in TIP_WORDS)), None)
    return match, [w["title"] for w in tips]


def check_tip_and_click(gui, rep, d):
    """At the root of V:: resting the pointer on the largest folder's cell
    shows a tip with its name, size, allocation and share; a single click on
    it selects its row in the folder list and leaves the treemap where it is."""
    tips_gone(gui, d)
    shot = gui.screenshot("v-root")
    point = v.centre_of_colour(gui, shot, treemap_client(gui), v.PALETTE0)
    if not rep.check("V treemap: the largest folder's cell is in TreemapPalette[0]", point is not None):
        return
    gui.xdotool("mousemove", point[0] - 4, point[1] - 4)
    time.sleep(0.1)
    gui.xdotool("mousemove", *point)
    tip, titles = None, []
    end = time.time() + 4
    while tip is None and time.time() < end:
        time.sleep(0.5)
        tip, titles = find_tip(gui, LARGEST)
    gui.screenshot("v-root-hover")
    rep.check(f"V treemap: resting on a cell shows a tip with its name, {', '.join(TIP_WORDS)}", tip is not None,
              f"visible tips {titles}")

    # Start from the root row selected, so that the click has to move the selection.
    gui.probe("select", str(nav.FOLDER_LIST), "0")
    before = nav.listing(gui, 0, 20)
    time.sleep(nav.DOUBLE_CLICK_GAP)
    gui.click(*point)
    v.wait(lambda: nav.selected_name(nav.listing(gui, 0, 20)) == LARGEST, timeout=3)
    after = nav.listing(gui, 0, 20)
    nav.mouse_away(gui, d)
    rep.check("V treemap: a single click on a folder's cell selects its row and keeps the treemap",
              before["selected"] == 0 and nav.selected_name(after) == LARGEST and v.caption(gui) == v.TOP_LEVEL,
              f"selected {nav.selected_name(before)!r} -> {nav.selected_name(after)!r}, caption {v.caption(gui)!r}")


def white_below_last_row(gui, shot, rows, last):
    """(height, pixels that are not white) of the part of the list's client
    area below the last row."""
    cx, cy, cw, ch = rows["client"]
    x, y, w, h = last["rect"]
    gap = cy + ch - (y + h)
    if gap <= 0:
        return gap, None
    return gap, sum(1 for line in rgb_rows(shot, (cx, y + h, cw, gap)) for c in line if c != g.WHITE)


def check_tiny(gui, rep, d):
    """tiny holds 10,000 files and no folder: its treemap shows the files,
    which cover the treemap; with them listed in the folder list, End leaves
    nothing but white below the last row."""
    shown = nav.show_folder(gui, "tiny", files=True)
    tips_gone(gui, d)
    shot = gui.screenshot("v-tiny-treemap")
    pixels = [c for line in rgb_rows(shot, treemap_client(gui)) for c in line]
    covered = sum(1 for c in pixels if c != g.WHITE) / len(pixels)
    rep.check("V treemap: 10,000 small files cover at least 90% of the treemap",
              shown and covered >= 0.90, f"caption {v.caption(gui)!r}, {covered:.1%} coloured")

    rows = nav.listing(gui)
    at = nav.index_of(rows, "tiny")
    group = v.row_named(rows, v.DIRECT_FILES, at + 1) if at is not None else None
    if group is not None and group["index"] == at + 1:
        nav.double_click_row(gui, rows, group)  # lists tiny's files
        v.wait(lambda: nav.listing(gui, 0, 1)["count"] >= 10000, timeout=10)
    rows = nav.listing(gui, 0, 40)
    count = rows["count"]
    nav.click_row(gui, rows, "tiny")  # focus the list
    gui.key("End")
    v.wait(lambda: nav.listing(gui, count - 1, 1)["selected"] == count - 1, timeout=5)
    nav.mouse_away(gui, d)
    time.sleep(0.5)
    shot = gui.screenshot("v-folder-list-end")
    rows = nav.listing(gui, count - 1, 1)
    last = rows["rows"][0] if rows["rows"] else None
    gap, stray = white_below_last_row(gui, shot, rows, last) if last and rows["client"] else (None, None)
    rep.check("V folder list: after End in 10,000+ rows only white below the last row",
              count >= 10000 and rows["selected"] == count - 1 and gap is not None and gap >= 2 and stray == 0,
              f"{count} rows, selected {rows['selected']}, {gap} px below the last row, {stray} not white")


def visible_rows(rows):
    """How many rows of the listing reach into the list's client area."""
    cx, cy, cw, ch = rows["client"]
    return sum(1 for r in rows["rows"] if r["index"] >= rows["top"] and r["rect"][1] < cy + ch)


def check_extension_rows(gui, rep):
    """With the window maximised the extension list shows more rows than X:
    has extensions: after V: (more extensions) a scan of X: must leave white
    below X's last row, not V's rows. Leaves X: scanned and the window
    restored."""
    gui.probe("syscommand", str(SC_MAXIMIZE))
    d, big = gui.wait_for(lambda x: x["window"][3] > 840, 10)
    time.sleep(0.5)
    before = nav.listing(gui, 0, 200, v.EXTENSION_LIST)
    gui.screenshot("v-extensions-maximised")
    painted = visible_rows(before) if before["client"] else 0
    scanned = nav.scan_drive(gui, "[X:]") is not None
    nav.mouse_away(gui, gui.dump())
    time.sleep(0.5)
    after = nav.listing(gui, 0, 200, v.EXTENSION_LIST)
    shot = gui.screenshot("x-extensions-after-v")
    last = after["rows"][-1] if after["rows"] else None
    gap, stray = white_below_last_row(gui, shot, after, last) if last and after["client"] else (None, None)
    rep.check("V then X: the extension list is white below X's last row (no rows of V: left)",
              big and scanned and painted > after["count"] > 0 and gap is not None and gap >= 2 and stray == 0,
              f"maximised {big}, X scanned {scanned}, V rows {before['count']} ({painted} painted), "
              f"X rows {after['count']}, {gap} px below the last, {stray} not white")
    gui.probe("syscommand", str(SC_RESTORE))
    d, restored = gui.wait_for(lambda x: x["window"][2:] == [1320, 840], 10)
    rep.check("the window returns to 1320x840 after maximising", restored, str(d and d["window"]))
