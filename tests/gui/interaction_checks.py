"""The checks on the views volume V: (tools/make_views_volume.sh): similar
holds 25 folders of nearly one size, tiny 10,000 small files in 24
extensions, misc a folder (notes) and two files of its own. Keys in the
folder list (Right, Left, Enter, Backspace, Ctrl+C, F5), the selection
across a sort and a new scan; the treemap's pictures, tip and single click
and the lists' empty space are in picture_checks.py. Called by gui_test.py
after the checks of X:; leaves X: scanned again, the window at its size."""

import time

import list_nav as nav
import picture_checks as pictures
import view_checks as v

DRIVE = "[V:]"
TOP = v.TOP_LEVEL
FILES = " / " + v.DIRECT_FILES
SENTINEL = "tarnwick clipboard sentinel"


def names(rows):
    return [r["cells"][0] for r in rows["rows"]]


def check_views_volume(gui, rep):
    d = nav.scan_drive(gui, DRIVE)
    gui.screenshot("v-scanned")
    if not rep.check("V: the views volume scans", d is not None, nav.status(gui.dump())):
        return
    pictures.check_tip_and_click(gui, rep, d)
    pictures.check_cell_shapes(gui, rep, d)
    check_right_left(gui, rep)
    check_enter_backspace(gui, rep)
    check_copy_path(gui, rep)
    check_f5(gui, rep)
    check_selection(gui, rep)
    pictures.check_tiny(gui, rep, d)
    pictures.check_extension_rows(gui, rep)


def press(gui, rows, name, key, start=0):
    """Selects the row of that name with a click, then presses the key; the
    listing before the key (None when the row was not there)."""
    rows = nav.click_row(gui, rows, name, start)
    if rows is None or nav.selected_name(rows) != name:
        return None
    gui.key(key)
    return rows


def check_right_left(gui, rep):
    """Right opens a closed folder (the treemap follows, as after a click on
    its triangle), Right again goes to its first child; Left goes from a
    closed row to its parent and closes an open one."""
    rows = nav.listing(gui)
    if "notes" in names(rows):  # misc must start closed
        nav.click_triangle(gui, rows, v.row_named(rows, "misc"), 1)
        v.wait(lambda: "notes" not in names(nav.listing(gui)), timeout=3)
    caption = v.caption(gui)
    before = press(gui, nav.listing(gui), "misc", "Right")
    count = before["count"] if before else None
    opened = v.wait(lambda: (lambda r: r if count and r["count"] > count else None)(nav.listing(gui)), timeout=3)
    opened = opened or nav.listing(gui)
    gui.screenshot("v-keys-right-opens-misc")
    rep.check("V keys: Right on a closed folder opens it and shows it in the treemap",
              before is not None and caption != "misc" and opened["count"] > count and v.caption(gui) == "misc",
              f"rows {count} -> {opened['count']}, caption {caption!r} -> {v.caption(gui)!r}")

    nav.open_folder(gui, "misc", "notes")
    before = press(gui, nav.listing(gui), "misc", "Right")
    at = nav.index_of(before, "misc") if before else None
    if at is not None:
        v.wait(lambda: nav.listing(gui, 0, 60)["selected"] == at + 1, timeout=3)
    after = nav.listing(gui)
    rep.check("V keys: Right on an open folder selects its first child row",
              at is not None and after["selected"] == at + 1 and after["count"] == before["count"],
              f"misc at {at}, selected {after['selected']} ({nav.selected_name(after)!r}), "
              f"rows {before and before['count']} -> {after['count']}")

    nav.open_folder(gui, "misc", "notes")
    before = press(gui, nav.listing(gui), "notes", "Left")
    at = nav.index_of(before, "misc") if before else None
    v.wait(lambda: nav.listing(gui, 0, 60)["selected"] == at, timeout=3)
    after = nav.listing(gui)
    rep.check("V keys: Left on a closed row selects its parent",
              before is not None and at is not None and after["selected"] == at and "notes" in names(after),
              f"misc at {at}, selected {after['selected']} ({nav.selected_name(after)!r})")

    nav.open_folder(gui, "misc", "notes")
    before = press(gui, nav.listing(gui), "misc", "Left")
    v.wait(lambda: "notes" not in names(nav.listing(gui)), timeout=3)
    after = nav.listing(gui)
    rep.check("V keys: Left on an open folder closes it",
              before is not None and after["count"] < before["count"] and "notes" not in names(after),
              f"rows {before and before['count']} -> {after['count']}")


def check_enter_backspace(gui, rep):
    """Enter shows the selected folder in the treemap; Backspace goes one
    level up, and from a folder's files first back to the folder itself."""
    target = "similar" if v.caption(gui) != "similar" else "misc"
    caption = v.caption(gui)
    pressed = press(gui, nav.listing(gui), target, "Return")
    v.wait(lambda: v.caption(gui) == target, timeout=3)
    gui.screenshot("v-keys-enter")
    rep.check("V keys: Enter shows the selected folder in the treemap",
              pressed is not None and v.caption(gui) == target,
              f"selected {target!r}, caption {caption!r} -> {v.caption(gui)!r}")

    shown = nav.show_folder(gui, "similar")
    pressed = press(gui, nav.listing(gui), "similar", "BackSpace")
    v.wait(lambda: v.caption(gui) == TOP, timeout=3)
    up = v.caption(gui)

    # misc's files: double-click its [直接文件] row, then Backspace.
    nav.show_folder(gui, "misc")
    nav.open_folder(gui, "misc", "notes")
    rows = nav.listing(gui)
    at = nav.index_of(rows, "misc")
    group = v.row_named(rows, v.DIRECT_FILES, at + 1) if at is not None else None
    files_mode = None
    if group is not None and group["index"] <= at + 2:
        nav.double_click_row(gui, rows, group)
        v.wait(lambda: v.caption(gui) == "misc" + FILES, timeout=3)
        files_mode = v.caption(gui)
        press(gui, nav.listing(gui), v.DIRECT_FILES, "BackSpace", at + 1)
        v.wait(lambda: v.caption(gui) == "misc", timeout=3)
    gui.screenshot("v-keys-backspace-from-files")
    rep.check("V keys: Backspace moves the treemap up: to the parent, from files mode to the folder",
              shown and pressed is not None and up == TOP and files_mode == "misc" + FILES
              and v.caption(gui) == "misc",
              f"similar -> {up!r}; {files_mode!r} -> {v.caption(gui)!r}")


def copied_after(gui, rows, name, start=0):
    """Puts the sentinel on the clipboard, selects the row, presses Ctrl+C;
    (clipboard text, whether the probe read the sentinel back)."""
    gui.probe("clipboard-set", SENTINEL)
    readable = (gui.probe("clipboard") or {}).get("text") == SENTINEL
    if press(gui, rows, name, "ctrl+c", start) is None:
        return f"no row {name!r}", readable
    text = v.wait(lambda: (lambda t: t if t != SENTINEL else None)((gui.probe("clipboard") or {}).get("text")),
                  timeout=3)
    return text, readable


def check_copy_path(gui, rep):
    """Ctrl+C puts the selected row's full path on the clipboard."""
    nav.open_folder(gui, "similar", "part03")
    folder, readable = copied_after(gui, nav.listing(gui), "part03")
    nav.open_folder(gui, "misc", "notes")
    rows = nav.listing(gui)
    if "readme.txt" not in names(rows):  # list misc's own files: double-click its [直接文件] row
        at = nav.index_of(rows, "misc")
        group = v.row_named(rows, v.DIRECT_FILES, at + 1) if at is not None else None
        if group is not None:
            nav.double_click_row(gui, rows, group)
            v.wait(lambda: "readme.txt" in names(nav.listing(gui)), timeout=3)
    file, file_readable = copied_after(gui, nav.listing(gui), "readme.txt")
    gui.screenshot("v-keys-copied-file-row")
    rep.check("V keys: Ctrl+C copies the selected row's full path (a folder, a file)",
              readable and file_readable and folder == "V:\\similar\\part03" and file == "V:\\misc\\readme.txt",
              f"probe reads the clipboard: {readable and file_readable}; folder {folder!r}, file {file!r}")


def check_f5(gui, rep):
    """F5 in the folder list scans the selected drive again: seen as the
    scanning line or as a new result (the treemap back at the root, the
    folders closed, a new status line)."""
    nav.show_folder(gui, "similar")
    nav.click_row(gui, nav.listing(gui), "similar")
    before = gui.dump()
    gui.key("F5")
    changed = nav.scan_changed(before)
    d, seen = gui.wait_for(lambda x: nav.status(x).startswith(nav.SCANNING) or changed(x), 10, step=0.2)
    began = nav.status(d)
    if seen:
        d, _ = gui.wait_for(lambda x: nav.status(x).startswith(nav.DONE), 120, step=0.3)
    gui.screenshot("v-keys-f5")
    rep.check("V keys: F5 scans the selected drive again", seen,
              f"status {nav.status(before)!r} -> {began!r}, caption {nav.caption_of(before)!r} -> "
              f"{nav.caption_of(d)!r}")


def check_selection(gui, rep):
    """The selection belongs to a folder, not to a row number: a header
    click that moves the folder's row keeps it selected. A new scan selects
    nothing."""
    nav.open_folder(gui, "similar", "part01")
    rows = nav.listing(gui)
    at = nav.index_of(rows, "similar")
    first = rows["rows"][at + 1]["cells"][0] if at is not None and at + 1 < len(rows["rows"]) else ""
    rows = nav.click_row(gui, rows, first) if first.startswith("part") else None
    if rows is None or nav.selected_name(rows) != first:
        rep.check("V: after a header click the selected row is still the same folder", False,
                  f"could not select the first child of similar ({first!r})")
    else:
        # The sorted column, clicked again, sorts the other way round: the row moves.
        column = next((i for i, h in enumerate(rows["header"]) if h["sort"]), 2)
        sort = rows["header"][column]["sort"]
        x, y, w, h = rows["header"][column]["rect"]
        time.sleep(0.8)
        gui.click(x + w // 2, y + h // 2)
        after = v.wait(lambda: (lambda r: r if r["header"][column]["sort"] != sort else None)(nav.listing(gui)))
        after = after or nav.listing(gui)
        gui.screenshot("v-selection-after-sort")
        rep.check("V: after a header click the selected row is still the same folder",
                  after["header"][column]["sort"] != sort and nav.index_of(after, first) != rows["selected"]
                  and nav.selected_name(after) == first,
                  f"{first!r} moved from row {rows['selected']} to {nav.index_of(after, first)}; the selected "
                  f"row {after['selected']} is {nav.selected_name(after)!r}")

    nav.show_folder(gui, "similar")  # a state the new result resets
    rows = nav.click_row(gui, nav.listing(gui), "similar")
    chosen = rows is not None and nav.selected_name(rows) == "similar"
    rescanned = nav.scan_drive(gui, DRIVE) is not None
    after = nav.listing(gui)
    gui.screenshot("v-selection-after-rescan")
    rep.check("V: a new scan leaves no row selected",
              chosen and rescanned and after["selected"] == -1 and after["selected_count"] == 0,
              f"similar selected before {chosen}, scanned {rescanned}, selected row {after['selected']} "
              f"({nav.selected_name(after)!r})")
