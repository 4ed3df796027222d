"""打开… and 保存… under real keys: Ctrl+O opens a scan saved by
tarnwick-scan --save through the file dialog (its name set through the
probe, as no typed key could carry every character, Enter pressed), and the
window shows what tarnwick-scan reports of it; Ctrl+S saves it again as a
saved scan that tarnwick-scan reads back with the same --json --files, and
as a CSV table that Python's csv module reads as that document; a damaged
file gives its reason in a message box and the result on screen stays; the
rows of an opened scan offer only 复制路径, while a scan of the drive
offers every item again. Called by gui_test.py after the checks of W:."""

import os
import re
import shutil
import subprocess
import sys
import time

import change_checks as changes
import gui_test as g
import list_nav as nav
import view_checks as v

FILE_NAME_EDIT = 0x47C  # cmb13: the file name field of the system's file dialogs
FILE_TYPE_COMBO = 0x470  # cmb1: the file type list, in screen coordinates from the probe
OPEN_TITLE = "打开扫描存档"
SAVE_TITLE = "保存扫描结果"
OPEN_FAILED = "无法打开扫描存档"
SAVE_FAILED = "无法保存"
NOT_REMEMBERED = "本机没有此卷的扫描记录 — 无法比较"
COPY_PATH_MENU = "复制路径"
SENTINEL = "tarnwick clipboard sentinel"
CSV_FILTER = 3  # the fourth filter of the save dialog: CSV 表格
SAVED_NAME = "扫描记录.twsnap"
OPENED = re.compile(r"^已打开 (?P<file>.+?) \((?P<when>\d{4}/\d{1,2}/\d{1,2} \d\d:\d\d:\d\d)\) · "
                    r"(?P<files>\d+) 文件 · (?P<folders>\d+) 文件夹$")
SIZE = r"\d+(?:\.\d+)? (?:B|KB|MB|GB|TB|PB|EB)"
REPORT_ROW = re.compile(rf"^(?P<indent> *)(?P<name>\S.*?) +(?P<share>\d+\.\d%) +(?P<size>{SIZE}) +"
                        rf"(?P<alloc>{SIZE}) +(?P<items>\d+)$")
SUMMARY = re.compile(r" · (\d+) 文件 · (\d+) 文件夹$")
CHANGE_TAB = 2
CHANGE_LIST, MESSAGE = 1020, 1022


def windows_path(path):
    return subprocess.run(["winepath", "-w", path], stdout=subprocess.PIPE).stdout.decode().strip()


def scanner_out(scanner, *args):
    out = subprocess.run([scanner, "-q", *args], stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    return out.returncode, out.stdout.decode("utf-8", "replace"), out.stderr.decode("utf-8", "replace")


def shown_dialog(gui, title):
    """The dialog the main window owns if it shows with that title, or None."""
    box = gui.probe("dialog")
    return box if box and box.get("found") and box["title"] == title else None


def dialog(gui, title, timeout=15):
    return v.wait(lambda: shown_dialog(gui, title), timeout=timeout)


def name_edit(box):
    """The file name field: the edit of that id (inside its combo boxes)."""
    return next((c for c in box["controls"] if c["id"] == FILE_NAME_EDIT and c["class"].lower() == "edit"), None)


def focus_main(gui, d):
    nav.mouse_away(gui, d)
    gui.click(*g.screen_point(d, d["client"][2] - 20, 60))  # the top band, right of the summary's texts
    time.sleep(0.3)


def choose_file(gui, rep, d, keys, title, path, filter_index=None):
    """Presses the keys in the main window, waits for the file dialog, puts
    the path in its name field (and chooses the filter), presses Enter. The
    dialog as it was shown, or None."""
    focus_main(gui, d)
    gui.key(keys)
    box = dialog(gui, title)
    if box is None:
        rep.check(f"{keys} shows the dialog {title}", False, str(gui.probe("dialog")))
        return None
    if filter_index is not None:
        # The file type list: a click opens it, Down moves to the filter, Enter takes it.
        combo = next((c for c in box["controls"] if c["id"] == FILE_TYPE_COMBO), None)
        if combo is not None:
            x, y, w, h = combo["rect"]
            gui.click(x + w // 2, y + h // 2)
            time.sleep(0.5)
            gui.key(*(["Down"] * filter_index), "Return")
            time.sleep(0.3)
    gui.probe("dialog-text", str(FILE_NAME_EDIT), windows_path(path))
    time.sleep(0.3)
    gui.key("Return")
    v.wait(lambda: shown_dialog(gui, title) is None, timeout=10)
    return box


def report_rows(report):
    """The report's folder rows at the root and one level down: name, share,
    size, allocated, items."""
    rows = []
    for line in report.splitlines()[2:]:
        if not line.strip():
            break
        m = REPORT_ROW.match(line)
        if m and len(m["indent"]) <= 2:
            rows.append([m["name"], m["share"], m["size"], m["alloc"], m["items"]])
    return rows


def menus(gui):
    return [w for w in gui.probe("windows") or [] if w["class"] == "#32768" and w["visible"]]


def right_click_menu(gui, rows, name):
    """Right-clicks the folder row of that name; the menu shown (closed again
    unless keep), or None."""
    row = v.row_named(rows, name)
    if row is None:
        return None, None
    x, y, w, h = row["rect"]
    gui.click(x + 120, y + h // 2, button=3)
    shown = v.wait(lambda: menus(gui), timeout=3)
    return row, (shown[0] if shown else None)


def check_files(gui, rep, scanner, x_image, work):
    os.makedirs(work, exist_ok=True)
    saved = os.path.join(work, SAVED_NAME)
    code, _, err = scanner_out(scanner, "--drive-letter", "X", "--save", saved, x_image)
    if not rep.check("files: tarnwick-scan --save of X: for the window", code == 0, err):
        return
    _, report, _ = scanner_out(scanner, "--depth", "1", saved)
    _, document, _ = scanner_out(scanner, "--json", "--files", saved)

    # A damaged copy: a byte of its last section flipped. What tarnwick-scan says of it.
    damaged = os.path.join(work, "damaged.twsnap")
    shutil.copyfile(saved, damaged)
    with open(damaged, "r+b") as f:
        f.seek(-40, os.SEEK_END)
        byte = f.read(1)
        f.seek(-40, os.SEEK_END)
        f.write(bytes([byte[0] ^ 0xFF]))
    code, _, err = scanner_out(scanner, damaged)
    detail = re.search(r"^错误: (.+) \(" + re.escape(damaged) + r": (.+)\)$", err.strip())
    rep.check("files: tarnwick-scan refuses the damaged copy", code == 1 and detail is not None, err)

    # A volume this machine never scanned: X:'s image under another serial number.
    foreign_image = os.path.join(work, "foreign.img")
    subprocess.run(["cp", "--sparse=always", x_image, foreign_image], check=True)
    with open(foreign_image, "r+b") as f:
        f.seek(72)
        f.write(b"TWFOREIG")
    foreign = os.path.join(work, "foreign.twsnap")
    scanner_out(scanner, "--drive-letter", "F", "--save", foreign, foreign_image)
    os.remove(foreign_image)

    d = gui.dump()

    # ---- Ctrl+O: the saved scan of X: -----------------------------------------
    box = choose_file(gui, rep, d, "ctrl+o", OPEN_TITLE, saved)
    if box is None:
        return
    d, opened = gui.wait_for(lambda x: nav.status(x).startswith("已打开 "), 30, step=0.3)
    status = nav.status(d)
    m = OPENED.match(status)
    want_counts = SUMMARY.search(report.splitlines()[0])
    nav.mouse_away(gui, d)
    time.sleep(0.5)
    gui.screenshot("files-opened")
    rep.check("files: Ctrl+O opens the saved scan through the file dialog; the status line names it, its scan "
              "time and the counts of tarnwick-scan's report",
              opened and m is not None and m["file"] == SAVED_NAME and want_counts is not None
              and (m["files"], m["folders"]) == want_counts.groups(),
              f"status {status!r}, report {report.splitlines()[0]!r}")
    listing = nav.listing(gui)
    got = [r["cells"][:5] for r in listing["rows"][:listing["count"]]]
    want = report_rows(report)
    # The rows in the list's sort, which the checks before may have changed.
    rep.check("files: the folder list of the opened scan equals tarnwick-scan's report (names, shares, sizes, "
              "allocated, items)", got[:1] == want[:1] and sorted(got) == sorted(want),
              f"\n    window {got}\n    report {want}")
    named = g.controls_by_name(d)
    rep.check("files: after opening, 扫描, 打开… and 保存… take input again",
              named["scan_button"]["enabled"] and named["open_button"]["enabled"]
              and named["save_button"]["enabled"] and named["drive_combo"]["enabled"])
    # 变化: X: was scanned by this window before, so the opened scan is compared.
    d = changes.open_tab(gui, CHANGE_TAB)
    visible = sorted(c["id"] for c in d["controls"] if c["id"] in (CHANGE_LIST, MESSAGE) and c["visible"])
    rep.check("files: 变化 compares the opened scan with the remembered scan of its volume",
              visible == [CHANGE_LIST], f"visible {visible}")
    changes.open_tab(gui, 0)

    # ---- the rows of an opened scan offer only 复制路径 -------------------------
    listing = nav.listing(gui)
    gui.probe("clipboard-set", SENTINEL)
    row, menu = right_click_menu(gui, listing, "Windows")
    copied = None
    if menu is not None:
        gui.screenshot("files-loaded-row-menu")
        x, y, w, h = menu["rect"]
        gui.click(x + w // 2, y + h // 2)  # its one item
        copied = v.wait(lambda: (lambda t: t if t != SENTINEL else None)((gui.probe("clipboard") or {}).get("text")),
                        timeout=3)
    loaded_menu_height = menu["rect"][3] if menu is not None else None
    one_item = menu is not None and menu["rect"][3] <= 40
    rep.check("files: a right-click on a row of the opened scan shows one item, 复制路径, which copies its path",
              row is not None and one_item and copied == "X:\\Windows",
              f"menu {menu}, copied {copied!r}")

    # ---- Ctrl+S: a saved scan, then a CSV table ---------------------------------
    d = gui.dump()
    again = os.path.join(work, "saved-again")
    box = choose_file(gui, rep, d, "ctrl+s", SAVE_TITLE, again)
    proposed = name_edit(box)["text"] if box and name_edit(box) else None
    d, saved_line = gui.wait_for(lambda x: nav.status(x).endswith(" · 已保存 saved-again.twsnap"), 30, step=0.3)
    _, back, err = scanner_out(scanner, "--json", "--files", again + ".twsnap")
    rep.check("files: Ctrl+S proposes the opened file's name and writes a saved scan that tarnwick-scan reads "
              "back with the same --json --files",
              proposed == "扫描记录" and saved_line and back == document and back != "",
              f"proposed {proposed!r}, status {nav.status(d)!r}, {err.strip()}")

    table = os.path.join(work, "table")
    box = choose_file(gui, rep, d, "ctrl+s", SAVE_TITLE, table, filter_index=CSV_FILTER)
    d, csv_line = gui.wait_for(lambda x: nav.status(x).endswith(" · 已保存 table.csv"), 30, step=0.3)
    with open(os.path.join(work, "document.json"), "w", encoding="utf-8") as f:
        f.write(document)
    checker = os.path.join(os.path.dirname(__file__), "..", "cli", "check_csv_export.py")
    check = subprocess.run([sys.executable, checker, table + ".csv", os.path.join(work, "document.json")],
                           stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    gui.screenshot("files-saved")
    rep.check("files: Ctrl+S with the CSV filter writes table.csv, which Python's csv module reads as the "
              "--json --files document", csv_line and check.returncode == 0,
              f"status {nav.status(d)!r}: {check.stdout.decode('utf-8', 'replace').strip()}")

    # ---- never over the opened file: the command line's refusal ------------------
    kept = open(saved, "rb").read()
    focus_main(gui, d)
    gui.key("ctrl+s")
    refusal = None
    if dialog(gui, SAVE_TITLE) is not None:
        gui.probe("dialog-text", str(FILE_NAME_EDIT), windows_path(saved))
        time.sleep(0.3)
        gui.key("Return")
        # The system asks whether to replace the file that exists: yes.
        asked = v.wait(lambda: [w for w in gui.probe("windows") or [] if w["class"] == "#32770" and w["visible"]
                                and any(SAVED_NAME in t for t in w.get("texts", []))], timeout=5)
        if asked:
            gui.key("Return")
        refusal = dialog(gui, SAVE_FAILED, timeout=10)
    texts = [c["text"] for c in refusal["controls"] if c["text"]] if refusal else []
    gui.screenshot("files-save-over-source")
    want = f"无法保存: 不能覆盖打开的扫描存档。 ({windows_path(saved)})"
    rep.check("files: a save over the opened saved scan is refused with the command line's check, the file as "
              "it was", want in texts and open(saved, "rb").read() == kept, f"box {texts}, want {want!r}")
    if refusal is not None:
        gui.key("Return")
        v.wait(lambda: shown_dialog(gui, SAVE_FAILED) is None, timeout=5)
    d = gui.dump()

    # ---- a damaged file: its reason, and the result stays ------------------------
    count = g.controls_by_name(d)["folder_list"]["count"]
    status = nav.status(d)
    choose_file(gui, rep, d, "ctrl+o", OPEN_TITLE, damaged)
    box = dialog(gui, OPEN_FAILED)
    shot = gui.screenshot("files-damaged")
    want_line = (f"错误: {detail[1]} ({windows_path(damaged)}: {detail[2]})" if detail else None)
    texts = box.get("controls", []) if box else []
    shown_texts = [c["text"] for c in texts if c["text"]]
    rep.check("files: a damaged saved scan gives tarnwick-scan's reason in a message box",
              box is not None and want_line in shown_texts, f"box {shown_texts}, want {want_line!r}")
    if box is not None:
        gui.key("Return")
        v.wait(lambda: not (gui.probe("dialog") or {}).get("found"), timeout=5)
    d = gui.dump()
    # The status line is the opened scan's again (without the last save's words).
    rep.check("files: after the refused file the opened scan stays on screen",
              g.controls_by_name(d)["folder_list"]["count"] == count
              and nav.status(d) == status.split(" · 已保存 ")[0] and OPENED.match(nav.status(d)),
              f"rows {count} -> {g.controls_by_name(d)['folder_list']['count']}, status {nav.status(d)!r}")

    # ---- a volume never scanned here: 变化 says there is nothing to compare -----
    choose_file(gui, rep, d, "ctrl+o", OPEN_TITLE, foreign)
    d, _ = gui.wait_for(lambda x: nav.status(x).startswith("已打开 foreign.twsnap"), 30, step=0.3)
    d = changes.open_tab(gui, CHANGE_TAB)
    message = next((c for c in d["controls"] if c["id"] == MESSAGE), {})
    gui.screenshot("files-foreign-changes")
    rep.check("files: an opened scan of a volume never scanned here: 变化 says there is nothing to compare",
              message.get("visible") and message.get("text") == NOT_REMEMBERED and nav.status(d).startswith(
                  "已打开 foreign.twsnap"), f"status {nav.status(d)!r}, message {message}")
    changes.open_tab(gui, 0)

    # ---- F5 scans the drive selected; its rows go to the shell again ----------
    focus_main(gui, d)
    before = gui.dump()
    gui.key("F5")
    d, done = gui.wait_for(nav.scan_changed(before), 120, step=0.3)
    listing = nav.listing(gui)
    drive = g.controls_by_name(d)["drive_combo"]["text"]
    name = next((r["cells"][0] for r in listing["rows"][1:] if r["cells"][0] != v.DIRECT_FILES), None)
    row, menu = right_click_menu(gui, listing, name) if name else (None, None)
    if menu is not None:
        gui.screenshot("files-scanned-row-menu")
        gui.key("Escape")
    full_menu = menu is not None and loaded_menu_height is not None and menu["rect"][3] > 2 * loaded_menu_height
    rep.check("files: F5 scans the drive in the list; its rows offer every item again (Explorer, 复制路径, 删除, "
              "永久删除)",
              done and nav.status(d).startswith(nav.DONE) and listing["rows"][0]["cells"][0] == drive
              and row is not None and full_menu,
              f"status {nav.status(d)!r}, root {listing['rows'][0]['cells'][0] if listing['rows'] else None}, "
              f"drive {drive}, menu {menu} (the opened scan's: {loaded_menu_height} high)")
