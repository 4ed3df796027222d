"""The remembered scans and the 变化 page, driven by real input. Drive W: is
the sample volume under a volume serial number of its own, so that its
scans are not X:'s. Its first scan has nothing to compare with. Then the
test replaces W:'s history by two scans it saves itself with tarnwick-scan
--scan-time: the image as it was, a day old, and a different state of it,
ten days old (history_checks.py). With the program still running, the image
is changed through an ntfs-3g mount (a 5 MB file added, a folder deleted, a
file grown) and scanned again: the picker, the change list (only the
changed folders, then all of them), the files gained and lost and the
status line must say what tarnwick-scan --compare says of the images
before and after; picking 一周前 must say what it says of the ten-day-old
state and the image. Then 清除扫描记录 must ask, and last, a file where
the snapshot folder belongs: the scan still succeeds, without a comparison.
Called by gui_test.py after the checks of V:; leaves the tree view tab
chosen. check_high_dpi runs in the 144 DPI phase."""

import json
import os
import re
import shutil
import subprocess
import time

import gui_test as g
import history_checks as history
import list_nav as nav
import view_checks as v

DRIVE = "[W:]"
CHANGE_LIST, GROWN_LIST, MESSAGE, CHANGE_TITLE, GROWN_TITLE = 1020, 1021, 1022, 1023, 1024
PICKER_LABEL, PICKER, CHANGED_ONLY, LOST_TITLE, LOST_LIST = 1031, 1032, 1033, 1034, 1035
LISTS = (CHANGE_TITLE, CHANGE_LIST, GROWN_TITLE, GROWN_LIST, LOST_TITLE, LOST_LIST, CHANGED_ONLY)
PAGE = LISTS + (PICKER_LABEL, PICKER)
FIRST_SCAN = "首次扫描此卷 — 下次扫描后显示变化"
COMPARING = "正在比较…"
CHANGE_TAB = 2
SENTINEL = "tarnwick clipboard sentinel"

# What the test does to W: between its two scans.
ADDED = ("Users", "alice", "Downloads", "setup-image.iso")
ADDED_BYTES = 5 * 1024 * 1024
GROWN = ("Windows", "Logs", "setup-3.log")
GROWN_BYTES = 1024 * 1024
DELETED = ("Program Files", "Editor")

SIZE = r"\d+(?:\.\d+)? (?:B|KB|MB|GB|TB|PB|EB)"
CHANGE = rf"[+-]?{SIZE}"
FOLDER_ROW = re.compile(rf"^(?P<indent> *)(?P<name>\S.*?) +{SIZE} +{SIZE} +{CHANGE} +(?P<now>{SIZE}) +"
                        rf"(?P<before>{SIZE}) +(?P<change>{CHANGE}) +(?P<added>\d+) +(?P<removed>\d+)$")
ADDED_ROW = re.compile(rf"^(?P<name>\S.*?) +(?P<now>{SIZE}) +(?P<folder>[A-Z]:\\.*)$")
RESIZED_ROW = re.compile(rf"^(?P<name>\S.*?) +(?P<now>{SIZE}) +(?P<before>{SIZE}) +(?P<change>{CHANGE}) +"
                         rf"(?P<folder>[A-Z]:\\.*)$")
STATUS_SUFFIX = re.compile(r" · 比(上次|一天前|一周前|一个月前|一年前) \((\d+)/(\d+)/(\d+) (\d+):(\d\d):(\d\d)\) (.+)$")


# ---- the page -----------------------------------------------------------------
def by_id(d):
    return {c["id"]: c for c in d["controls"]} if d else {}


def open_tab(gui, index):
    """Clicks the tab's item and waits until the tab control has it chosen."""
    d = gui.dump()
    x, y, w, h = g.controls_by_name(d)["tabs"]["items"][index]
    gui.click(*g.screen_point(d, x + w // 2, y + h // 2))
    d, _ = gui.wait_for(lambda x: g.controls_by_name(x)["tabs"]["selection"] == index, 5, step=0.3)
    time.sleep(0.3)
    return gui.dump() or d


def shown(d):
    """The 变化 page's controls that are visible, by id."""
    return sorted(i for i, c in by_id(d).items() if i in PAGE + (MESSAGE,) and c["visible"])


def compared(gui, timeout=30):
    """The dump once the comparison that follows a scan has arrived: neither
    the page nor the status line says 正在比较… (None if it never does)."""
    def done(d):
        message = by_id(d).get(MESSAGE, {})
        return COMPARING not in nav.status(d) and not (message.get("visible") and message.get("text") == COMPARING)
    d, ok = gui.wait_for(done, timeout, step=0.3)
    return d if ok else None


def rows_after_box(gui, count):
    """Clicks 只显示有变化的文件夹 and waits for the change list to hold
    `count` rows; its cells, the root's name left out."""
    history.click_box(gui)
    rows = v.wait(lambda: (lambda r: r if len(r["rows"]) == count else None)(rows_of(gui, CHANGE_LIST)),
                  timeout=5) or rows_of(gui, CHANGE_LIST)
    got = cells(rows)
    if got:
        got[0][0] = ""
    return got


def status_time(m):
    """The local time a status suffix names, as seconds since 1970."""
    return time.mktime(tuple(map(int, m.groups()[1:7])) + (0, 0, -1))


def rows_of(gui, list_id):
    return nav.listing(gui, 0, 200, list_id)


def cells(rows):
    return [[c.replace("\u2212", "-") for c in r["cells"]] for r in rows["rows"]]


def click_row(gui, list_id, name):
    """Selects the row of that name with a click in the 现在 column (the
    list gets the focus), scrolled into view first; the fresh listing, or
    None."""
    rows = rows_of(gui, list_id)
    row = v.row_named(rows, name)
    if row is None:
        return None
    _, cy, _, ch = rows["client"]
    _, hy, _, hh = rows["header"][0]["rect"]
    if row["rect"][1] < hy + hh or row["rect"][1] + row["rect"][3] > cy + ch:
        gui.probe("show", str(list_id), str(row["index"]))
        rows = nav.listing(gui, row["index"], 1, list_id)
        row = rows["rows"][0]
    time.sleep(nav.DOUBLE_CLICK_GAP)
    gui.click(*nav.row_point(rows, row))
    return v.wait(lambda: (lambda r: r if r["selected"] == row["index"] else None)(rows_of(gui, list_id)), timeout=3)


def press_on(gui, list_id, name, key):
    rows = click_row(gui, list_id, name)
    if rows is not None:
        gui.key(key)
    return rows


def copied(gui, list_id, name):
    """The clipboard after Ctrl+C on the row (the sentinel first, so that a
    copy that did not happen cannot pass)."""
    gui.probe("clipboard-set", SENTINEL)
    if press_on(gui, list_id, name, "ctrl+c") is None:
        return f"no row {name!r}"
    return v.wait(lambda: (lambda t: t if t != SENTINEL else None)((gui.probe("clipboard") or {}).get("text")),
                  timeout=3)


# ---- the volume and the command-line scanner ------------------------------------
def kept_scans(folder, serial):
    """The names of the volume's remembered scans in the folder, sorted."""
    prefix = f"volume-{serial:016X}"
    if not folder or not os.path.isdir(folder):
        return []
    return sorted(n for n in os.listdir(folder) if n.startswith(prefix) and n.endswith(".twsnap"))


def snapshot_folder(gui):
    """%LOCALAPPDATA%\\Tarnwick of the prefix as a Linux path."""
    out = subprocess.run(["wine", "cmd", "/c", "echo", "%LOCALAPPDATA%"], stdout=subprocess.PIPE,
                         stderr=gui.log).stdout.decode("utf-8", "replace").strip()
    local = subprocess.run(["winepath", "-u", out], stdout=subprocess.PIPE, stderr=gui.log).stdout.decode().strip()
    return os.path.join(local, "Tarnwick") if out and local else None


def serial_of(image):
    with open(image, "rb") as f:
        f.seek(72)
        return int.from_bytes(f.read(8), "little")


def write_file(path, size, block):
    with open(path, "ab") as f:
        f.write((block * (size // len(block) + 1))[:size])


def edit_volume(gui, image, work, edit):
    """Runs edit(mount point) on the image through an ntfs-3g mount
    (unmounted before it returns); None or what went wrong."""
    if shutil.which("ntfs-3g") is None:
        return "ntfs-3g is not installed"
    mnt = os.path.join(work, "w-mount")
    os.makedirs(mnt, exist_ok=True)
    # In the foreground: the image is written in full once the process ends.
    mount = subprocess.Popen(["ntfs-3g", "-o", "no_detach", image, mnt], stdout=gui.log, stderr=gui.log,
                             stdin=subprocess.DEVNULL)
    try:
        if not v.wait(lambda: os.path.ismount(mnt) or mount.poll() is not None, timeout=20) or not os.path.ismount(mnt):
            return f"ntfs-3g did not mount the image (exit {mount.poll()})"
        edit(mnt)
    finally:
        if os.path.ismount(mnt):
            subprocess.run(["umount", mnt], stdout=gui.log, stderr=gui.log)
        try:
            mount.wait(30)
        except subprocess.TimeoutExpired:
            mount.kill()
            return "ntfs-3g did not end after the unmount"
    return None if mount.returncode == 0 else f"ntfs-3g ended with {mount.returncode}"


def change_volume(gui, image, work):
    """Adds ADDED, deletes DELETED and grows GROWN on the image."""
    def edit(mnt):
        write_file(os.path.join(mnt, *ADDED), ADDED_BYTES, b"setup image block\n")
        write_file(os.path.join(mnt, *GROWN), GROWN_BYTES, b"setup continued\n")
        shutil.rmtree(os.path.join(mnt, *DELETED))
    return edit_volume(gui, image, work, edit)


def compare(scanner, old, new, *extra):
    out = subprocess.run([scanner, "--compare", "--depth", "2", "--top", "200", "--drive-letter", "W", "-q", *extra,
                          old, new], stdout=subprocess.PIPE, check=True)
    return out.stdout.decode("utf-8")


def held(scanner, image):
    """What each folder of the image holds, by path: (files, folders) below it."""
    out = subprocess.run([scanner, "--json", "--drive-letter", "W", "-q", image], stdout=subprocess.PIPE, check=True)
    return {f["path"]: (f["total_file_count"], f["total_folder_count"]) for f in json.loads(out.stdout)["folders"]}


def table(report, title, row):
    """The rows of one table of the report: the lines after its title (the
    header skipped) up to the next blank line, matched by the row pattern."""
    lines = report.splitlines()
    start = lines.index(title) + 2 if title in lines else len(lines)
    found = []
    for line in lines[start:]:
        if not line.strip():
            break
        m = row.match(line)
        if m:
            found.append(m)
    return found


def folder_rows(report, open_names, holding=None, changed_only=False):
    """The report's folder table as the change list shows it with the root
    and the depth-1 folders in open_names open: [name, 变化, 现在, 之前,
    新增文件, 删除文件] (the root's name left out). A vanished folder is named
    with what it held (holding: path -> (files, folders) of the older scan).
    With changed_only, the rows whose figures did not change are left out,
    and the folders below them."""
    lines = report.splitlines()
    start = next(i for i, line in enumerate(lines) if line.startswith("文件夹 ")) + 1
    rows, path, hidden_below = [], [], None
    for line in lines[start:]:
        if not line.strip():
            break
        m = FOLDER_ROW.match(line)
        if m is None:
            raise ValueError(f"folder table row not understood: {line!r}")
        depth = len(m["indent"]) // 2
        if hidden_below is not None and depth > hidden_below:
            continue
        hidden_below = None
        name = m["name"]
        path = path[:depth] + [name.split(" (")[0]]
        same = (m["change"] == "0 B" and m["added"] == "0" and m["removed"] == "0" and " (" not in name
                and size_change_of(line) == "0 B")
        if changed_only and depth > 0 and same:
            hidden_below = depth
            continue
        if name.endswith(" (已删除)") and holding is not None:
            files, folders = holding.get("W:\\" + "\\".join(path[1:]), (None, None))
            name = f"{path[-1]} (已删除 · {files} 个文件 · {folders} 个文件夹)"
        # Listed when every folder above it is open: the root, and at depth 1 those named.
        if depth <= 1 or (depth == 2 and path[1] in open_names):
            rows.append([name if depth else "", m["change"], m["now"], m["before"], m["added"], m["removed"]])
    return rows


def size_change_of(line):
    """The change of logical bytes of a folder table row (its third figure)."""
    m = re.search(rf" ({SIZE}) +({SIZE}) +({CHANGE}) +{SIZE} +{SIZE} +{CHANGE} +\d+ +\d+$", line)
    return m[3] if m else None


def grown_rows(report, facts):
    """The files that appeared or grew, [name, 增加, 现在, 之前, 路径], each
    with its gain in bytes (from the JSON document), largest gain first."""
    gain = {f["path"]: f["new_size"] - f["old_size"] for f in facts["added_files"] + facts["resized_files"]}
    full = lambda m: m["folder"].rstrip("\\") + "\\" + m["name"]
    found = [(gain[full(m)], [m["name"], "+" + m["now"], m["now"], "0 B", m["folder"]])
             for m in table(report, "新增的文件", ADDED_ROW)]
    found += [(gain[full(m)], [m["name"], m["change"], m["now"], m["before"], m["folder"]])
              for m in table(report, "大小改变的文件", RESIZED_ROW) if gain[full(m)] > 0]
    return sorted(found, key=lambda x: -x[0])


def lost_rows(report, facts):
    """The files that vanished or shrank, [name, 减少, 现在, 之前, 路径], each
    with its loss in bytes (from the JSON document), most lost first."""
    loss = {f["path"]: f["old_size"] - f["new_size"] for f in facts["removed_files"] + facts["resized_files"]}
    full = lambda m: m["folder"].rstrip("\\") + "\\" + m["name"]
    found = [(loss[full(m)], [m["name"], "-" + m["now"], "0 B", m["now"], m["folder"]])
             for m in table(report, "删除的文件", ADDED_ROW) if loss[full(m)] > 0]
    found += [(loss[full(m)], [m["name"], m["change"], m["now"], m["before"], m["folder"]])
              for m in table(report, "大小改变的文件", RESIZED_ROW) if loss[full(m)] > 0]
    return sorted(found, key=lambda x: -x[0])


def file_list_matches(window, expected):
    """The window's file list holds the expected rows (the first 200), in an
    order of non-increasing bytes; (ok, order of bytes)."""
    bytes_of = {tuple(r): x for x, r in expected}
    order = [bytes_of.get(tuple(r)) for r in window]
    ok = (sorted(window) == sorted(r for _, r in expected[:200]) and None not in order
          and order == sorted(order, reverse=True))
    return ok, order


def status_amount(report):
    """What the status line says of the overall change of allocated bytes."""
    m = re.search(rf"· 分配 ({CHANGE}) ·", report.splitlines()[0])
    if m is None:
        return None
    change = m[1]
    if change == "0 B":
        return "无变化"
    return ("减少 " if change.startswith("-") else "增加 ") + change.lstrip("+-")


def scan(gui):
    start = time.time()
    d = nav.scan_drive(gui, DRIVE)
    return d, start, time.time()


# ---- the checks ---------------------------------------------------------------------
def check_changes(gui, rep, image, scanner):
    folder = snapshot_folder(gui)
    serial = serial_of(image)
    d, first_start, first_end = scan(gui)
    open_tab(gui, CHANGE_TAB)
    d = compared(gui) or gui.dump()
    message = by_id(d).get(MESSAGE, {})
    first = kept_scans(folder, serial)
    gui.screenshot("changes-first-scan")
    if not rep.check("changes: a first scan shows on 变化 only the first-scan line, no picker; it is remembered "
                     "under its time",
                     d is not None and shown(d) == [MESSAGE] and message.get("text") == FIRST_SCAN
                     and len(first) == 1 and history.stamp_of(first[0]) is not None
                     and first_start - 2 <= history.stamp_of(first[0]) <= first_end + 2
                     and "比上次" not in nav.status(d),
                     f"status {nav.status(d)!r}, visible {shown(d)}, message {message.get('text')!r}, "
                     f"remembered {first} in {folder}"):
        return

    work = os.path.dirname(image)
    before = os.path.join(work, "w-before.img")
    subprocess.run(["cp", "--sparse=always", image, before], check=True)
    ages = history.place_history(gui, rep, scanner, folder, serial, before, work)
    if ages is None:
        return
    problem = change_volume(gui, image, work)
    if not rep.check("changes: W: changed through an ntfs-3g mount", problem is None, str(problem)):
        return
    scan(gui)
    d = compared(gui) or gui.dump()
    status = nav.status(d)
    report = compare(scanner, before, image)
    facts = json.loads(compare(scanner, before, image, "--json"))
    holding = held(scanner, before)
    page = shown(d)

    # The status line: the last scan's local time and the overall change.
    m = STATUS_SUFFIX.search(status)
    rep.check("changes: the status line ends with · 比上次 (the day-old scan's time) and the overall change",
              status.startswith(nav.DONE) and m is not None and m[1] == "上次" and m[8] == status_amount(report)
              and status_time(m) == ages["day"],
              f"status {status!r}, the report's change {status_amount(report)!r}, the day-old scan "
              f"{time.strftime('%Y/%m/%d %H:%M:%S', time.localtime(ages['day']))}")
    history.check_picker(gui, rep, d, ages)

    # Only the changes at first: the root's folders that changed, as the
    # report shows them; open them with Right.
    box = by_id(d).get(CHANGED_ONLY, {})
    top = folder_rows(report, (), holding, changed_only=True)
    changed = [r[0] for r in top[1:] if r[0] != v.DIRECT_FILES and not r[0].endswith("个文件夹)")]
    for name in changed:
        rows = rows_of(gui, CHANGE_LIST)
        press_on(gui, CHANGE_LIST, name, "Right")
        v.wait(lambda: rows_of(gui, CHANGE_LIST)["count"] > rows["count"], timeout=3)
    rows = rows_of(gui, CHANGE_LIST)
    got = cells(rows)
    want = folder_rows(report, changed, holding, changed_only=True)
    every = folder_rows(report, changed, holding)
    root = got[0][0] if got else None
    if got:
        got[0][0] = ""
    nav.mouse_away(gui, d)
    time.sleep(0.5)
    gui.screenshot("changes-96dpi")
    rep.check("changes: only the changed folders at first, the rows opened with Right equal tarnwick-scan "
              "--compare's (names, 变化, 现在, 之前, counts)",
              page == sorted(PAGE) and box.get("checked") is True and box.get("text") == "只显示有变化的文件夹"
              and len(changed) >= 2 and got == want and len(want) < len(every) and bool(root),
              f"visible {page}, box {box.get('checked')} {box.get('text')!r}, opened {changed}, root {root!r}\n"
              f"    window {got}\n    report {want}")

    # The box cleared shows every folder the report shows, the same ones open;
    # checked again, the changed ones alone.
    got_all = rows_after_box(gui, len(every))
    unchecked = by_id(gui.dump()).get(CHANGED_ONLY, {}).get("checked")
    gui.screenshot("changes-all-folders")
    got_again = rows_after_box(gui, len(want))
    rep.check("changes: clearing 只显示有变化的文件夹 shows the unchanged folders, checking it hides them again",
              unchecked is False and got_all == every and got_again == want,
              f"box {unchecked}\n    cleared {got_all}\n    report {every}\n    checked again {got_again}")

    grown = cells(rows_of(gui, GROWN_LIST))
    ok, order = file_list_matches(grown, grown_rows(report, facts))
    firsts = [(r[0], r[4]) for r in grown[:2]]
    rep.check("changes: the grown files are the report's new and grown files, largest gain first, "
              "the 5 MB file and the grown file first",
              ok and firsts == [(ADDED[-1], "W:\\" + "\\".join(ADDED[:-1])),
                                (GROWN[-1], "W:\\" + "\\".join(GROWN[:-1]))],
              f"window {grown}\n    report {[r for _, r in grown_rows(report, facts)]}")
    lost = cells(rows_of(gui, LOST_LIST))
    ok, order = file_list_matches(lost, lost_rows(report, facts))
    deleted = "W:\\" + "\\".join(DELETED)
    rep.check("changes: the lost files are the report's removed and shrunk files, most lost first; the deleted "
              "folder's files among them",
              ok and by_id(d).get(LOST_TITLE, {}).get("text") == "删除或缩小最多的文件"
              and any(r[4] == deleted for r in lost) and all(r[1].startswith("-") for r in lost),
              f"window {lost}\n    report {[r for _, r in lost_rows(report, facts)]}")

    # Keys: Ctrl+C on the deleted folder's row and on the first grown file,
    # Left closes a folder, Enter shows a folder of the new scan in the tree view.
    removed = next((f for f in facts["folders"] if f["status"] == "removed" and f["depth"] == 2), None)
    removed_row = next((r[0] for r in want if removed and r[0].startswith(removed["path"].split("\\")[-1] + " (")),
                       None)
    text = copied(gui, CHANGE_LIST, removed_row) if removed_row else None
    added = next((f["path"] for f in facts["added_files"] if f["path"].endswith("\\" + ADDED[-1])), None)
    file_text = copied(gui, GROWN_LIST, ADDED[-1])
    before_left = rows_of(gui, CHANGE_LIST)["count"]
    parent = removed["path"].split("\\")[1] if removed else None
    if parent:
        press_on(gui, CHANGE_LIST, parent, "Left")
    closed = v.wait(lambda: rows_of(gui, CHANGE_LIST)["count"] < before_left, timeout=3)
    after_left = rows_of(gui, CHANGE_LIST)
    target = changed[0] if changed else None
    press_on(gui, CHANGE_LIST, target, "Return")
    d, tree = gui.wait_for(lambda x: g.controls_by_name(x)["tabs"]["selection"] == 0
                           and g.controls_by_name(x)["folder_list"]["visible"], 5, step=0.3)
    selected = v.wait(lambda: nav.selected_name(nav.listing(gui)) == target, timeout=3)
    gui.screenshot("changes-enter-tree-view")
    rep.check("changes keys: Ctrl+C copies a folder row's path and a grown file's, Left closes a folder, "
              "Enter shows a folder in 树状视图",
              removed is not None and text == removed["path"] and added is not None and file_text == added
              and closed and removed_row not in [r[0] for r in cells(after_left)] and tree and bool(selected)
              and shown(d) == [],
              f"copied {text!r} on {removed_row!r} (want {removed and removed['path']!r}), {file_text!r} on "
              f"{ADDED[-1]!r} (want {added!r}); rows {before_left} -> "
              f"{after_left['count']} after Left on {parent!r}; Enter on {target!r}: tree view {tree}, "
              f"selected {nav.selected_name(nav.listing(gui))!r}")

    history.check_vanished(gui, rep, removed_row, DELETED)
    history.check_week(gui, rep, scanner, ages, image)
    history.check_clear_asks(gui, rep, folder, serial)
    check_unwritable_folder(gui, rep, folder)


def check_unwritable_folder(gui, rep, folder):
    """A file where the snapshot folder belongs: the scan succeeds, without
    a comparison; the remembered scans come back afterwards."""
    kept = folder + ".kept"
    os.rename(folder, kept)
    try:
        with open(folder, "w") as f:
            f.write("a file where the snapshot folder belongs\n")
        scan(gui)
        open_tab(gui, CHANGE_TAB)
        d = compared(gui) or gui.dump()
        message = by_id(d).get(MESSAGE, {})
        gui.screenshot("changes-unwritable-folder")
        status = nav.status(d)
        rep.check("changes: with a file where the snapshot folder belongs the scan succeeds, 变化 shows the "
                  "first-scan line",
                  status.startswith(nav.DONE) and "比上次" not in status and shown(d) == [MESSAGE]
                  and message.get("text") == FIRST_SCAN and os.path.isfile(folder),
                  f"status {status!r}, visible {shown(d)}, message {message.get('text')!r}")
    finally:
        if os.path.isfile(folder):
            os.remove(folder)
        os.rename(kept, folder)
        open_tab(gui, 0)


def check_high_dpi(gui, rep, dpi):
    """After a rescan of the unchanged X:: the status line says 无变化, the
    change page shows its lists with the root alone (nothing changed), and
    with the box cleared every folder at 0 B, rows as high as the folder
    list's (at least the scaled 24 px)."""
    folder_rows_high = {r["rect"][3] for r in nav.listing(gui, 0, 3)["rows"]}
    open_tab(gui, CHANGE_TAB)
    d = compared(gui) or gui.dump()
    alone = rows_of(gui, CHANGE_LIST)
    history.click_box(gui)
    rows = v.wait(lambda: (lambda r: r if r["count"] > 1 else None)(rows_of(gui, CHANGE_LIST)), timeout=5) \
        or rows_of(gui, CHANGE_LIST)
    nav.mouse_away(gui, d)
    time.sleep(0.5)
    gui.screenshot(f"changes-{dpi}dpi")
    status = nav.status(d)
    m = STATUS_SUFFIX.search(status)
    heights = {r["rect"][3] for r in rows["rows"]}
    rep.check(f"{dpi} DPI: 变化 after a rescan of the unchanged X: (无变化, the root alone until the box is "
              "cleared, rows as the folder list's)",
              shown(d) == sorted(PAGE) and m is not None and m[8] == "无变化" and alone["count"] == 1
              and rows["count"] > 1 and heights == folder_rows_high and min(heights) >= g.scale(24, dpi)
              and all(r[1] == "0 B" for r in cells(rows)),
              f"status {status!r}, visible {shown(d)}, rows {alone['count']} then {rows['count']}, heights "
              f"{heights} (folder list {folder_rows_high}), first {cells(rows)[:2]}")
    history.click_box(gui)
    open_tab(gui, 0)
