"""Driving the main window the way a user does, for the checks on the views
volume V:: scanning a drive, clicking folder list rows and triangles, moving
the treemap to a folder. Every step waits by polling the probe, never by a
long fixed sleep."""

import time

import gui_test as g
import view_checks as v

DONE = "扫描完成 "
FAILED = "扫描失败"
SCANNING = "正在扫描"
FOLDER_LIST = v.FOLDER_LIST
DOUBLE_CLICK_GAP = 0.6  # longer than the double-click time: two clicks stay two clicks


def status(d):
    return g.controls_by_name(d)["status_text"]["text"] if d else ""


def caption_of(d):
    return g.controls_by_name(d)["treemap_title"]["text"] if d else None


def listing(gui, first=0, n=200, list_id=FOLDER_LIST):
    rows = v.rows(gui, list_id, first, n)
    rows.setdefault("selected", -1)  # a listing that failed selects nothing
    rows.setdefault("client", None)
    return rows


def selected_name(rows):
    """The name cell of the selected row, if the listing holds it."""
    return next((r["cells"][0] for r in rows["rows"] if r["index"] == rows["selected"]), None)


def index_of(rows, name, start=0):
    row = v.row_named(rows, name, start)
    return row["index"] if row else None


def scan_changed(before):
    """A predicate on dumps: a scan has ended since `before` (the dump taken
    just before it was started): the success or failure line, and the status,
    caption or folder row count differ from before (a new result resets the
    treemap to the root and closes the folders)."""
    def done(d):
        text = status(d)
        if not text.startswith((DONE, FAILED)):
            return False
        folder_rows = g.controls_by_name(d)["folder_list"]["count"]
        return (text != status(before) or caption_of(d) != caption_of(before)
                or folder_rows != g.controls_by_name(before)["folder_list"]["count"])
    return done


def scan_drive(gui, item):
    """Chooses the drive item and presses 扫描; the dump after the new
    success line, or None. The caller leaves a state a new result changes
    (another drive scanned before, or a folder shown in the treemap)."""
    d = gui.dump()
    d = g.select_drive(gui, d, item) if d else None
    if d is None or g.controls_by_name(d)["drive_combo"]["text"] != item:
        return None
    before = gui.dump()
    gui.click(*g.centre(before, g.controls_by_name(before)["scan_button"]))
    d, done = gui.wait_for(scan_changed(before), 120, step=0.3)
    return d if done and status(d).startswith(DONE) else None


def row_point(rows, row):
    """A point on the row in the "大小" column: a click there selects the row
    and nothing else (no triangle, no label)."""
    hx, _, hw, _ = rows["header"][2]["rect"]
    x, y, w, h = row["rect"]
    return hx + hw // 2, y + h // 2


def in_view(gui, rows, row):
    """The row and the listing it was found in, scrolled fully into the
    list's view first when it is not (a click off the rows would land on the
    header or the scroll bar)."""
    if rows["client"] is None:
        return rows, row
    _, cy, _, ch = rows["client"]
    header = rows["header"][0]["rect"] if rows["header"] else [0, cy, 0, 0]
    x, y, w, h = row["rect"]
    if y >= header[1] + header[3] and y + h <= cy + ch:
        return rows, row
    gui.probe("show", str(FOLDER_LIST), str(row["index"]))
    fresh = listing(gui, row["index"], 1)
    return fresh, (fresh["rows"][0] if fresh["rows"] else row)


def click_row(gui, rows, name, start=0):
    """Selects the row of that name with a click (which also focuses the
    list); the fresh listing, or None when the row is not there."""
    row = v.row_named(rows, name, start)
    if row is None:
        return None
    rows, row = in_view(gui, rows, row)
    time.sleep(DOUBLE_CLICK_GAP)
    gui.click(*row_point(rows, row))
    fresh = v.wait(lambda: (lambda r: r if r["selected"] == row["index"] else None)(listing(gui)), timeout=3)
    return fresh or listing(gui)


def double_click_row(gui, rows, row):
    time.sleep(DOUBLE_CLICK_GAP)
    v.double_click(gui, *row_point(rows, row))


def click_triangle(gui, rows, row, depth):
    s = lambda x: g.scale(x, 96)
    rows, row = in_view(gui, rows, row)
    x, y, w, h = row["rect"]
    time.sleep(DOUBLE_CLICK_GAP)
    gui.click(x + s(6) + s(16) * depth + s(5), y + h // 2)


def show_folder(gui, name, depth=1, files=False):
    """Moves the treemap to a folder with clicks on its triangle (a closed
    folder opens and the treemap follows; an open one needs a second click to
    close and reopen it). True when the caption names the folder (with files:
    or its files, as for a folder that holds no folders)."""
    wanted = (name, name + " / " + v.DIRECT_FILES) if files else (name,)
    for _ in range(2):
        if v.caption(gui) in wanted:
            return True
        rows = listing(gui)
        row = v.row_named(rows, name)
        if row is None:
            return False
        click_triangle(gui, rows, row, depth)
        if v.wait(lambda: v.caption(gui) in wanted, timeout=3):
            return True
    return v.caption(gui) in wanted


def open_folder(gui, name, child, depth=1):
    """Opens a folder row with a click on its triangle unless `child` (a row
    only listed while it is open) is listed already. True when it is."""
    rows = listing(gui)
    if v.row_named(rows, child) is None:
        row = v.row_named(rows, name)
        if row is None:
            return False
        click_triangle(gui, rows, row, depth)
        v.wait(lambda: v.row_named(listing(gui), child) is not None, timeout=3)
    return v.row_named(listing(gui), child) is not None


def mouse_away(gui, d):
    """Parks the pointer on the window's top band, away from the treemap and
    the lists (no hover, no tip)."""
    gui.xdotool("mousemove", *g.screen_point(d, d["client"][2] // 2, 60))
