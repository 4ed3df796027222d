"""The remembered scans and the 变化 page, driven by real input. Drive W: is
the sample volume under a volume serial number of its own, so that its
snapshot is not X:'s. Its first scan has nothing to compare with; then,
with the program still running, the image is changed through an ntfs-3g
mount (a 5 MB file added, a folder deleted, a file grown) and scanned again:
the change list, the grown-files list and the status line must say what
tarnwick-scan --compare says of the images before and after. Last, a file
where the snapshot folder belongs: the scan still succeeds, without a
comparison. Called by gui_test.py after the checks of V:; leaves the tree
view tab chosen. check_high_dpi runs in the 144 DPI phase."""

import json
import os
import re
import shutil
import subprocess
import time

import gui_test as g
import list_nav as nav
import view_checks as v

DRIVE = "[W:]"
CHANGE_LIST, GROWN_LIST, MESSAGE, CHANGE_TITLE, GROWN_TITLE = 1020, 1021, 1022, 1023, 1024
PAGE = (CHANGE_TITLE, CHANGE_LIST, GROWN_TITLE, GROWN_LIST)
FIRST_SCAN = "首次扫描此卷 — 下次扫描后显示变化"
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
STATUS_SUFFIX = re.compile(r" · 比上次 \((\d+)/(\d+)/(\d+) (\d+):(\d\d):(\d\d)\) (.+)$")


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


def change_volume(gui, image, work):
    """Adds ADDED, deletes DELETED and grows GROWN on the image through an
    ntfs-3g mount (unmounted before it returns); None or what went wrong."""
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
        block = b"setup image block\n"
        with open(os.path.join(mnt, *ADDED), "wb") as f:
            f.write((block * (ADDED_BYTES // len(block) + 1))[:ADDED_BYTES])
        line = b"setup continued\n"
        with open(os.path.join(mnt, *GROWN), "ab") as f:
            f.write((line * (GROWN_BYTES // len(line) + 1))[:GROWN_BYTES])
        shutil.rmtree(os.path.join(mnt, *DELETED))
    finally:
        if os.path.ismount(mnt):
            subprocess.run(["umount", mnt], stdout=gui.log, stderr=gui.log)
        try:
            mount.wait(30)
        except subprocess.TimeoutExpired:
            mount.kill()
            return "ntfs-3g did not end after the unmount"
    return None if mount.returncode == 0 else f"ntfs-3g ended with {mount.returncode}"


def compare(scanner, old, new, *extra):
    out = subprocess.run([scanner, "--compare", "--depth", "2", "--drive-letter", "W", "-q", *extra, old, new],
                         stdout=subprocess.PIPE, check=True)
    return out.stdout.decode("utf-8")


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


def folder_rows(report, open_names):
    """The report's folder table as the change list shows it with the root
    and the depth-1 folders in open_names open: [name, 变化, 现在, 之前,
    新增文件, 删除文件] (the root's name left out)."""
    lines = report.splitlines()
    start = next(i for i, line in enumerate(lines) if line.startswith("文件夹 ")) + 1
    rows, path = [], []
    for line in lines[start:]:
        if not line.strip():
            break
        m = FOLDER_ROW.match(line)
        if m is None:
            raise ValueError(f"folder table row not understood: {line!r}")
        depth = len(m["indent"]) // 2
        path = path[:depth] + [m["name"]]
        # Listed when every folder above it is open: the root, and at depth 1 those named.
        if depth <= 1 or (depth == 2 and path[1] in open_names):
            rows.append([m["name"] if depth else "", m["change"], m["now"], m["before"], m["added"], m["removed"]])
    return rows


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
    snapshot = os.path.join(folder or "", f"volume-{serial_of(image):016X}.twsnap")
    d, first_start, first_end = scan(gui)
    d = open_tab(gui, CHANGE_TAB)
    message = by_id(d).get(MESSAGE, {})
    gui.screenshot("changes-first-scan")
    if not rep.check("changes: a first scan shows on 变化 only the first-scan line; its snapshot is saved",
                     d is not None and shown(d) == [MESSAGE] and message.get("text") == FIRST_SCAN
                     and os.path.isfile(snapshot) and "比上次" not in nav.status(d),
                     f"status {nav.status(d)!r}, visible {shown(d)}, message {message.get('text')!r}, "
                     f"{snapshot} saved: {os.path.isfile(snapshot)}"):
        return

    work = os.path.dirname(image)
    before = os.path.join(work, "w-before.img")
    subprocess.run(["cp", "--sparse=always", image, before], check=True)
    problem = change_volume(gui, image, work)
    if not rep.check("changes: W: changed through an ntfs-3g mount", problem is None, str(problem)):
        return
    d = scan(gui)[0] or gui.dump()
    status = nav.status(d)
    report = compare(scanner, before, image)
    facts = json.loads(compare(scanner, before, image, "--json"))
    page = shown(d)

    # The status line: the previous scan's local time and the overall change.
    m = STATUS_SUFFIX.search(status)
    when = time.mktime(tuple(map(int, m.groups()[:6])) + (0, 0, -1)) if m else None
    rep.check("changes: the status line ends with · 比上次 (the first scan's time) and the overall change",
              status.startswith(nav.DONE) and m is not None and m[7] == status_amount(report)
              and first_start - 2 <= when <= first_end + 2,
              f"status {status!r}, the report's change {status_amount(report)!r}, first scan "
              f"{time.strftime('%Y/%m/%d %H:%M:%S', time.localtime(first_start))}")

    # Open with Right the root's folders that changed, as the report shows them.
    changed = [r[0] for r in folder_rows(report, ())[1:]
               if r[0] != v.DIRECT_FILES and (r[1] != "0 B" or r[4] != "0" or r[5] != "0")]
    for name in changed:
        rows = rows_of(gui, CHANGE_LIST)
        press_on(gui, CHANGE_LIST, name, "Right")
        v.wait(lambda: rows_of(gui, CHANGE_LIST)["count"] > rows["count"], timeout=3)
    rows = rows_of(gui, CHANGE_LIST)
    got = cells(rows)
    want = folder_rows(report, changed)
    root = got[0][0] if got else None
    if got:
        got[0][0] = ""
    nav.mouse_away(gui, d)
    time.sleep(0.5)
    gui.screenshot("changes-96dpi")
    rep.check("changes: the rows opened with Right equal tarnwick-scan --compare's (names, 变化, 现在, 之前, counts)",
              page == sorted(PAGE) and len(changed) >= 2 and got == want and bool(root),
              f"visible {page}, opened {changed}, root {root!r}\n    window {got}\n    report {want}")

    grown = cells(rows_of(gui, GROWN_LIST))
    expected = grown_rows(report, facts)
    gain = {tuple(r): x for x, r in expected}
    order = [gain.get(tuple(r)) for r in grown]
    firsts = [(r[0], r[4]) for r in grown[:2]]
    rep.check("changes: the grown files are the report's new and grown files, largest gain first, "
              "the 5 MB file and the grown file first",
              sorted(grown) == sorted(r for _, r in expected[:200]) and None not in order
              and order == sorted(order, reverse=True)
              and firsts == [(ADDED[-1], "W:\\" + "\\".join(ADDED[:-1])), (GROWN[-1], "W:\\" + "\\".join(GROWN[:-1]))],
              f"window {grown}\n    report {[r for _, r in expected]}")

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

    check_unwritable_folder(gui, rep, folder)


def check_unwritable_folder(gui, rep, folder):
    """A file where the snapshot folder belongs: the scan succeeds, without
    a comparison; the remembered scans come back afterwards."""
    kept = folder + ".kept"
    os.rename(folder, kept)
    try:
        with open(folder, "w") as f:
            f.write("a file where the snapshot folder belongs\n")
        d, _, _ = scan(gui)
        d = open_tab(gui, CHANGE_TAB)
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
    change page shows both lists, rows as high as the folder list's (at
    least the scaled 24 px)."""
    folder_rows_high = {r["rect"][3] for r in nav.listing(gui, 0, 3)["rows"]}
    d = open_tab(gui, CHANGE_TAB)
    rows = rows_of(gui, CHANGE_LIST)
    nav.mouse_away(gui, d)
    time.sleep(0.5)
    gui.screenshot(f"changes-{dpi}dpi")
    status = nav.status(d)
    m = STATUS_SUFFIX.search(status)
    heights = {r["rect"][3] for r in rows["rows"]}
    rep.check(f"{dpi} DPI: 变化 after a rescan of the unchanged X: (无变化, both lists, rows as the folder list's)",
              shown(d) == sorted(PAGE) and m is not None and m[7] == "无变化" and rows["count"] > 1
              and heights == folder_rows_high and min(heights) >= g.scale(24, dpi)
              and all(r[1] == "0 B" for r in cells(rows)),
              f"status {status!r}, visible {shown(d)}, rows {rows['count']}, heights {heights} (folder list "
              f"{folder_rows_high}), first {cells(rows)[:2]}")
    open_tab(gui, 0)
