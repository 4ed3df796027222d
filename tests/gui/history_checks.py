"""The history of W:'s remembered scans on the 变化 page: scans placed at
given ages with tarnwick-scan --scan-time, the picker 比较对象 that lists
them, a picked baseline compared against what tarnwick-scan --compare says
of that snapshot, a vanished folder and a vanished file leading to what is
left of them, and 清除扫描记录 asking before it deletes anything. Called by
change_checks.check_changes."""

import calendar
import json
import os
import shutil
import subprocess
import tempfile
import time

import change_checks as c
import gui_test as g
import list_nav as nav
import view_checks as v

DAY = 86400
LAST, WEEK = "上次扫描", "一周前"
CLEAR_QUESTION = "清除此电脑上所有卷的扫描记录？"
CLEARED = "扫描记录已清除"
# The state of W: ten days ago: bob's folder still there, an archive since deleted.
WEEK_GONE = ("Users", "bob")
WEEK_ARCHIVE = ("Users", "alice", "old-archive.zip")
WEEK_ARCHIVE_BYTES = 3 * 1024 * 1024


def stamp_of(name):
    """The UTC time in a remembered scan's name (volume-SERIAL-STAMP.twsnap)."""
    try:
        return calendar.timegm(time.strptime(name[len("volume-") + 17:-len(".twsnap")], "%Y%m%dT%H%M%S"))
    except ValueError:
        return None


def local_text(seconds):
    """A time as the window's time columns show it in local time: 2026/12/7 09:30:05."""
    t = time.localtime(seconds)
    return f"{t.tm_year}/{t.tm_mon}/{t.tm_mday} {t.tm_hour:02}:{t.tm_min:02}:{t.tm_sec:02}"


def save_scan(scanner, image, path, seconds):
    iso = time.strftime("%Y-%m-%dT%H:%M:%SZ", time.gmtime(seconds))
    subprocess.run([scanner, "-q", "--drive-letter", "W", "--save", path, "--scan-time", iso, image],
                   stdout=subprocess.DEVNULL, check=True)


def place_history(gui, rep, scanner, folder, serial, before, work):
    """Replaces W:'s remembered scans by the image as it is, a day old, and
    an older state of it, ten days old; their times and the older state's
    snapshot, or None."""
    week_image = os.path.join(work, "w-week.img")
    subprocess.run(["cp", "--sparse=always", before, week_image], check=True)

    def edit(mnt):
        shutil.rmtree(os.path.join(mnt, *WEEK_GONE))
        c.write_file(os.path.join(mnt, *WEEK_ARCHIVE), WEEK_ARCHIVE_BYTES, b"archived long ago\n")

    problem = c.edit_volume(gui, week_image, work, edit)
    now = int(time.time())
    ages = {"day": now - DAY - 60, "week": now - 10 * DAY}
    names = {}
    if problem is None:
        for name in c.kept_scans(folder, serial):
            os.remove(os.path.join(folder, name))
        for key, image in (("day", before), ("week", week_image)):
            names[key] = f"volume-{serial:016X}-{time.strftime('%Y%m%dT%H%M%S', time.gmtime(ages[key]))}.twsnap"
            save_scan(scanner, image, os.path.join(folder, names[key]), ages[key])
    placed = c.kept_scans(folder, serial)
    if not rep.check("history: scans a day and ten days old placed with tarnwick-scan --scan-time",
                     problem is None and placed == sorted(names.values()), f"{problem}, placed {placed}"):
        return None
    ages["week_snapshot"] = os.path.join(folder, names["week"])
    ages["day_snapshot"] = os.path.join(folder, names["day"])
    return ages


def picker_of(d):
    return c.by_id(d).get(c.PICKER, {})


def check_picker(gui, rep, d, ages):
    """With scans a day and ten days old, the picker lists 上次扫描 and
    一周前 (the day-old scan is also the day's, listed once), 上次扫描 chosen."""
    picker = picker_of(d)
    label = c.by_id(d).get(c.PICKER_LABEL, {})
    want = [f"{LAST} ({local_text(ages['day'])})", f"{WEEK} ({local_text(ages['week'])})"]
    rep.check("history: the picker 比较对象 lists 上次扫描 and 一周前 with their times, 上次扫描 chosen",
              picker.get("visible") and picker.get("items") == want and picker.get("selection") == 0
              and label.get("visible") and label.get("text") == "比较对象",
              f"picker {picker.get('items')} selection {picker.get('selection')} (want {want}), "
              f"label {label.get('text')!r}")


def click_box(gui):
    """A click on 只显示有变化的文件夹; True when its check changed."""
    d = gui.dump()
    box = c.by_id(d).get(c.CHANGED_ONLY)
    if box is None:
        return False
    x, y, w, h = box["rect"]
    gui.click(*g.screen_point(d, x + 8, y + h // 2))
    return bool(v.wait(lambda: c.by_id(gui.dump()).get(c.CHANGED_ONLY, {}).get("checked") != box["checked"],
                       timeout=3))


def pick(gui, index, attempts=3):
    """Opens the picker with a click and moves to entry `index` with the keyboard."""
    for _ in range(attempts):
        d = gui.dump()
        picker = picker_of(d)
        if picker.get("selection") == index:
            return True
        x, y, w, h = picker["rect"]
        gui.click(*g.screen_point(d, x + w // 2, y + 12))
        time.sleep(0.5)
        steps = index - picker["selection"]
        gui.key(*(["Down"] * steps if steps > 0 else ["Up"] * -steps))
        gui.key("Return")
        time.sleep(0.5)
    return picker_of(gui.dump()).get("selection") == index


def in_tree(gui, name):
    """Waits for the tree view tab with the named folder row selected."""
    d, tree = gui.wait_for(lambda x: g.controls_by_name(x)["tabs"]["selection"] == 0
                           and g.controls_by_name(x)["folder_list"]["visible"], 5, step=0.3)
    return tree and bool(v.wait(lambda: nav.selected_name(nav.listing(gui)) == name, timeout=3))


def check_vanished(gui, rep, removed_row, deleted):
    """Enter on the vanished folder's row, and on one of its files in the
    list of files lost, shows its nearest parent still there in 树状视图."""
    parent = deleted[0]
    c.open_tab(gui, c.CHANGE_TAB)
    if c.click_row(gui, c.CHANGE_LIST, removed_row) is None:
        c.press_on(gui, c.CHANGE_LIST, parent, "Right")
        v.wait(lambda: v.row_named(c.rows_of(gui, c.CHANGE_LIST), removed_row) is not None, timeout=3)
    c.press_on(gui, c.CHANGE_LIST, removed_row, "Return")
    folder_row = in_tree(gui, parent)
    c.open_tab(gui, c.CHANGE_TAB)
    lost = c.rows_of(gui, c.LOST_LIST)
    vanished = next((r["cells"][0] for r in lost["rows"] if r["cells"][4] == "W:\\" + "\\".join(deleted)), None)
    if vanished:
        c.press_on(gui, c.LOST_LIST, vanished, "Return")
    file_row = vanished is not None and in_tree(gui, parent)
    gui.screenshot("changes-vanished-in-tree-view")
    rep.check("changes: Enter on a vanished folder, and on a vanished file of the files lost, shows the nearest "
              "folder still there in 树状视图",
              folder_row and file_row,
              f"folder row {removed_row!r}: {folder_row}; file {vanished!r}: {file_row}; selected "
              f"{nav.selected_name(nav.listing(gui))!r}, want {parent!r}")


def check_week(gui, rep, scanner, ages, image):
    """Picking 一周前 compares on a worker with the ten-day-old scan: the
    page and the status line follow, and say what tarnwick-scan --compare
    says of that snapshot and the image; 上次扫描 comes back."""
    c.open_tab(gui, c.CHANGE_TAB)
    picked = pick(gui, 1)
    d, ok = gui.wait_for(lambda x: " · 比一周前 (" in nav.status(x), 30, step=0.3)
    d = c.compared(gui) or d
    report = c.compare(scanner, ages["week_snapshot"], image)
    facts = json.loads(c.compare(scanner, ages["week_snapshot"], image, "--json"))
    holding = c.held(scanner, ages["week_snapshot"])
    status = nav.status(d)
    m = c.STATUS_SUFFIX.search(status)
    got = c.cells(c.rows_of(gui, c.CHANGE_LIST))
    if got:
        got[0][0] = ""
    want = c.folder_rows(report, (), holding, changed_only=True)
    grown_ok, _ = c.file_list_matches(c.cells(c.rows_of(gui, c.GROWN_LIST)), c.grown_rows(report, facts))
    lost = c.cells(c.rows_of(gui, c.LOST_LIST))
    lost_ok, _ = c.file_list_matches(lost, c.lost_rows(report, facts))
    nav.mouse_away(gui, d)
    time.sleep(0.5)
    gui.screenshot("changes-week")
    archive = WEEK_ARCHIVE[-1]
    rep.check("history: picking 一周前 shows what tarnwick-scan --compare says of the ten-day-old snapshot "
              "(status line, folders, files gained and lost)",
              picked and ok and m is not None and m[1] == WEEK and status_time_is(m, ages["week"])
              and m[8] == c.status_amount(report) and got == want and grown_ok and lost_ok
              and bool(lost) and lost[0][0] == archive and c.shown(d) == sorted(c.PAGE),
              f"picked {picked}, status {status!r} (report {c.status_amount(report)!r})\n    window {got}\n"
              f"    report {want}\n    gained ok {grown_ok}, lost ok {lost_ok}, first lost {lost[:1]}")
    back = pick(gui, 0)
    d, ok = gui.wait_for(lambda x: " · 比上次 (" in nav.status(x), 30, step=0.3)
    rep.check("history: picking 上次扫描 again compares with the last scan", back and ok, nav.status(d))


def status_time_is(m, seconds):
    return c.status_time(m) == seconds


def check_clear_asks(gui, rep, folder, serial):
    """清除扫描记录 asks first, 否 the default: Return keeps every remembered
    scan; 是 deletes them and says so. The scans come back afterwards."""
    names = sorted(n for n in os.listdir(folder) if n.startswith("volume-"))
    keep = tempfile.mkdtemp(prefix="tarnwick-kept-")
    for name in names:
        shutil.copy2(os.path.join(folder, name), keep)
    try:
        def question():
            boxes = [w for w in gui.probe("windows") or [] if w["class"] == "#32770" and w["visible"]]
            return next((b for b in boxes if any(CLEAR_QUESTION in t for t in b.get("texts", []))), None)

        gui.probe("command", "1017")  # IDM_CLEAR_SCANS, as the tray menu sends it
        box = v.wait(question, timeout=10)
        gui.screenshot("clear-scans-question")
        gui.key("Return")
        closed = v.wait(lambda: question() is None, timeout=5)
        kept = sorted(n for n in os.listdir(folder) if n.startswith("volume-")) == names
        status_before = nav.status(gui.dump())
        gui.probe("command", "1017")
        again = v.wait(question, timeout=10)
        gui.key("y")
        v.wait(lambda: question() is None, timeout=5)
        d, cleared = gui.wait_for(lambda x: nav.status(x) == CLEARED, 5, step=0.3)
        left = [n for n in os.listdir(folder) if n.startswith("volume-")]
        rep.check("清除扫描记录 asks first (否 the default keeps every scan); 是 deletes them and says so",
                  box is not None and box.get("title") == "塔维-磁盘空间分析器" and closed and kept
                  and status_before != CLEARED and again is not None and cleared and not left,
                  f"question {box}, closed by Return {closed}, scans kept {kept}; after 是: status "
                  f"{nav.status(d)!r}, left {left}")
    finally:
        for name in names:
            if not os.path.exists(os.path.join(folder, name)):
                shutil.copy2(os.path.join(keep, name), folder)
        shutil.rmtree(keep, ignore_errors=True)
