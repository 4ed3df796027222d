#!/usr/bin/env python3
"""The GUI tier: tarnwick.exe under Wine on a virtual X screen, driven by real
mouse and keyboard input (xdotool), observed through the test probe (child
controls as JSON) and screenshots (imagemagick pixel reads).

Run by tests/gui/run_gui_tests.sh, which prepares the Wine prefix (drive X: an
NTFS test volume, V: the views volume, W: the test volume under a serial number
of its own, changed between two scans, Y: a volume that is not NTFS), Xvfb and
the expected counts.
Prints one line per check and closes with "N passed, N failed"."""

import argparse
import json
import os
import re
import subprocess
import sys
import time

import action_checks
import change_checks
import file_checks
import fit_checks
import interaction_checks
import overview_checks
import search_checks
import theme_checks
import view_checks

READY = "就绪 — 以管理员身份运行 · MFT 快速扫描"
NOT_NTFS = "扫描失败 — 该驱动器不是 NTFS 卷"
TITLE = "塔维-磁盘空间分析器"
ACCENT = (0, 120, 215)
BAND = (245, 245, 245)
WHITE = (255, 255, 255)


class Report:
    def __init__(self):
        self.passed = 0
        self.failed = 0
        self.skipped = 0

    def check(self, name, ok, detail=""):
        if ok:
            self.passed += 1
            print(f"PASS {name}")
        else:
            self.failed += 1
            print(f"FAIL {name}: {detail}")
        sys.stdout.flush()
        return ok

    def skip(self, name, why):
        self.skipped += 1
        print(f"SKIP {name}: {why}")


def scale(v, dpi):
    """MulDiv(v, dpi, 96), rounded half away from zero."""
    return (v * dpi + 48) // 96


def expected_layout(w, h, dpi):
    """Where each control belongs for a client area of w x h on the folder page."""
    s = lambda v: scale(v, dpi)
    m = s(12)
    place = {
        "drive_label": (m, s(12), s(48), s(22)),
        "drive_combo": (m + s(52), s(10), s(220), None),  # height: the open drop-down's
        "scan_button": (m + s(284), s(8), s(96), s(34)),
        "open_button": (m + s(388), s(8), s(80), s(34)),
        "save_button": (m + s(476), s(8), s(80), s(34)),
        "tabs": (m, s(78), w - 2 * m, s(30)),
        "status_text": (m, h - s(30) + s(5), (w - 2 * m) - s(240), s(22)),
        "progress_bar": (w - m - s(220), h - s(30) + s(5) - s(2), s(220), s(20)),
    }
    for i, name in enumerate(("total_label", "used_label", "free_label")):
        place[name] = (m + s(596), s(8) + i * s(22), w - (m + s(596)) - m, s(22))
    t = s(78) + s(30) + s(28)
    c = h - t - s(30) - m
    split = int(w * 0.62)
    half = s(8) // 2
    r = split + half
    rw = w - r - m
    y = t - s(22) - s(6)
    place.update({
        "folder_title": (m, y, split - m, s(22)),
        "folder_list": (m, t, split - half - m, c),
        "treemap_title": (r, y, rw, s(22)),
        "treemap": (r, t, rw, s(200)),
        "extension_title": (r, t + s(200) + s(4), rw, s(22)),
        "extension_list": (r, t + s(200) + s(4) + s(22) + s(4), rw, max(s(80), c - s(200) - s(4) - s(22) - s(4))),
    })
    return place


class Gui:
    def __init__(self, args):
        self.bin = args.bin
        self.shots = args.shots
        self.log = open(os.path.join(args.shots, "wine.log"), "ab")
        self.app = None
        self.shot_count = 0

    # ---- the program and the probe ------------------------------------------
    def start(self):
        return subprocess.Popen(["wine", os.path.join(self.bin, "tarnwick.exe")],
                                stdout=self.log, stderr=self.log, stdin=subprocess.DEVNULL)

    def restart_with(self, settings):
        """Writes (key, name, type, value) settings into the prefix, restarts
        Wine and the program, and waits for its window; (dump, shown)."""
        for key, name, kind, value in settings:
            subprocess.run(["wine", "reg", "add", key, "/v", name, "/t", kind, "/d", value, "/f"],
                           stdout=self.log, stderr=self.log, check=True)
        subprocess.run(["wineserver", "-k"], stderr=self.log)
        subprocess.run(["wineserver", "-w"], stderr=self.log)
        self.app = self.start()
        self.dump(60000)
        return self.wait_for(lambda x: x["visible"] and len(x["controls"]) >= 16, 30)

    def probe(self, *args, timeout=60):
        out = subprocess.run(["wine", os.path.join(self.bin, "tarnwick-probe.exe"), *args],
                             stdout=subprocess.PIPE, stderr=self.log, timeout=timeout)
        text = out.stdout.decode("utf-8", "replace")
        try:
            return json.loads(text) if text.strip() else None
        except json.JSONDecodeError:
            print(f"  probe printed no JSON: {text[:200]!r}")
            return None

    def dump(self, wait_ms=0):
        d = self.probe("dump", str(wait_ms))
        return d if d and d.get("found") else None

    def wait_for(self, predicate, timeout, step=0.5):
        """Polls the dump until predicate(dump) holds; returns the last dump."""
        end = time.time() + timeout
        d = None
        while time.time() < end:
            d = self.dump()
            if d and predicate(d):
                return d, True
            time.sleep(step)
        return d, False

    # ---- input and screen ----------------------------------------------------
    def xdotool(self, *args):
        subprocess.run(["xdotool", *map(str, args)], check=True)

    def click(self, x, y, button=1):
        self.xdotool("mousemove", x, y)
        time.sleep(0.2)
        self.xdotool("click", button)

    def key(self, *keys):
        for k in keys:
            self.xdotool("key", k)
            time.sleep(0.25)

    def screenshot(self, name):
        self.shot_count += 1
        path = os.path.join(self.shots, f"{self.shot_count:02d}-{name}.png")
        subprocess.run(["import", "-window", "root", path], check=True)
        return path

    def pixels(self, path, x, y, w, h):
        """{(x, y): (r, g, b)} of a rectangle of a screenshot."""
        out = subprocess.run(["convert", path, "-crop", f"{w}x{h}+{x}+{y}", "+repage", "-depth", "8", "txt:-"],
                             stdout=subprocess.PIPE, check=True).stdout.decode()
        result = {}
        for line in out.splitlines()[1:]:
            m = re.match(r"(\d+),(\d+):\s*\((\d+),(\d+),(\d+)", line)
            if m:
                px, py, r, g, b = map(int, m.groups())
                result[(x + px, y + py)] = (r, g, b)
        return result

    def pixel(self, path, x, y):
        return self.pixels(path, x, y, 1, 1)[(x, y)]


def controls_by_name(d):
    """The dump's controls under the names of the main window's fields."""
    named = {}
    statics = []
    by_id = {1001: "drive_combo", 1002: "scan_button", 1003: "folder_list", 1004: "extension_list",
             1005: "status_text", 1009: "treemap", 1013: "tabs", 1014: "file_list", 1040: "open_button",
             1041: "save_button"}
    for c in d["controls"]:
        if c["id"] in by_id:
            named[by_id[c["id"]]] = c
        elif c["class"].lower() == "msctls_progress32":
            named["progress_bar"] = c
        elif c["class"].lower() == "static":
            statics.append(c)
    # Labels without ids, in creation order.
    for name, c in zip(("drive_label", "total_label", "used_label", "free_label", "folder_title",
                        "treemap_title", "extension_title"), statics):
        named[name] = c
    return named


def screen_point(d, x, y):
    """A client point of the main window in screen (= X root) coordinates."""
    return d["client"][0] + x, d["client"][1] + y


def centre(d, control):
    x, y, w, h = control["rect"]
    return screen_point(d, x + w // 2, y + h // 2)


def select_drive(gui, d, item, attempts=3):
    """Opens the drive list with a click and moves to item with the keyboard
    (again when an input event went astray)."""
    for _ in range(attempts):
        combo = controls_by_name(d)["drive_combo"]
        if item not in combo["items"]:
            return None
        if combo["text"] == item:
            return d
        x, y, w, h = combo["rect"]
        gui.click(*screen_point(d, x + w // 2, y + 12))
        time.sleep(0.5)
        steps = combo["items"].index(item) - combo["selection"]
        gui.key(*(["Down"] * steps if steps > 0 else ["Up"] * -steps))
        gui.key("Return")
        time.sleep(0.5)
        d = gui.dump()
    return d


def tray_icon(gui, shot):
    """The centre of our icon in the taskbar's notification area: the most
    colourful pixels near its right end."""
    windows = gui.probe("windows") or []
    tray = next((w for w in windows if w["class"] == "Shell_TrayWnd" and w["visible"]), None)
    if tray is None:
        return None
    x, y, w, h = tray["rect"]
    left = x + w - 120
    found = [(px, py) for (px, py), (r, g, b) in gui.pixels(shot, left, y, 120, h).items()
             if max(r, g, b) - min(r, g, b) > 60 and (r, g, b) != (0, 0, 128)]
    if not found:
        return None
    xs = [p[0] for p in found]
    ys = [p[1] for p in found]
    # The rightmost icon is the one added last: ours.
    right = max(xs)
    xs = [px for px in xs if px > right - 18]
    return (min(xs) + max(xs)) // 2, (min(ys) + max(ys)) // 2


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--bin", required=True)
    parser.add_argument("--shots", required=True)
    parser.add_argument("--files", type=int, help="file count the command-line scanner reports for X:")
    parser.add_argument("--folders", type=int, help="folder count the command-line scanner reports for X:")
    parser.add_argument("--change-image", help="the image of W:, which the checks of the 变化 page change")
    parser.add_argument("--scanner", help="tarnwick-scan of the host tree, for its comparison of W:'s images")
    parser.add_argument("--x-image", help="the image of X:, which tarnwick-scan lists for the 全景 checks and "
                        "searches with --find against the 搜索 page")
    parser.add_argument("--action-image", help="the image of U:, which the checks of deleting change")
    parser.add_argument("--demo", metavar="PNG", help="no tests: scan X:, save a screenshot to PNG, quit")
    args = parser.parse_args()
    os.makedirs(args.shots, exist_ok=True)
    gui = Gui(args)
    if args.demo:
        return demo(gui, args.demo)
    rep = Report()
    try:
        run(gui, rep, args)
    except Exception as error:  # a broken step fails the tier, it never passes silently
        rep.check("the GUI run completes", False, repr(error))
    finally:
        if gui.app is not None and gui.app.poll() is None:
            gui.app.kill()
    print(f"screenshots: {args.shots}")
    line = f"{rep.passed} passed, {rep.failed} failed"
    if rep.skipped:
        line += f", {rep.skipped} skipped"
    print(line)
    return 1 if rep.failed else 0


def demo(gui, png):
    """The GUI demo on a screen nobody watches: scan X: and keep a picture."""
    gui.app = gui.start()
    try:
        gui.dump(60000)
        d, _ = gui.wait_for(lambda x: x["visible"] and len(x["controls"]) >= 16, 30)
        d = select_drive(gui, d, "[X:]") if d else None
        if d is None:
            print("the window or its drive [X:] did not appear")
            return 1
        gui.click(*centre(d, controls_by_name(d)["scan_button"]))
        d, done = gui.wait_for(lambda x: controls_by_name(x)["status_text"]["text"].startswith(("扫描完成 ", "扫描失败")), 120)
        time.sleep(0.5)
        subprocess.run(["import", "-window", "root", png], check=True)
        print(controls_by_name(d)["status_text"]["text"])
        return 0 if done else 1
    finally:
        gui.probe("command", "1016")  # IDM_EXIT
        try:
            gui.app.wait(20)
        except subprocess.TimeoutExpired:
            gui.app.kill()


def check_resources(rep, exe, work):
    """The resources windres put into the program: icon group 101 at the four
    sizes, the manifest and the version block."""
    def extract(*what):
        return subprocess.run(["wrestool", "-x", *what, exe], stdout=subprocess.PIPE).stdout

    icon = os.path.join(work, "group101.ico")
    with open(icon, "wb") as f:
        f.write(extract("--type=14", "--name=101"))
    listing = subprocess.run(["icotool", "-l", icon], stdout=subprocess.PIPE).stdout.decode()
    sizes = sorted({int(w) for w in re.findall(r"--width=(\d+)", listing)})
    rep.check("icon group 101 at 16, 32, 48 and 256 px", sizes == [16, 32, 48, 256], f"sizes {sizes}")
    manifest = extract("--raw", "--type=24", "--name=1").decode("utf-8", "replace")
    wanted = ['level="asInvoker"', ">PerMonitorV2<", ">true/PM<", 'name="Microsoft.Windows.Common-Controls"',
              'version="6.0.0.0"']
    missing = [w for w in wanted if w not in manifest]
    rep.check("manifest: asInvoker, PerMonitorV2 (true/PM), common controls 6", not missing, f"missing {missing}")
    version = extract("--raw", "--type=16").decode("utf-16-le", "replace")
    rep.check("version block names the program", "tarnwick.exe" in version and "1.0.0.0" in version)


NOT_ELEVATED_CAPTION = "塔维 - 需要管理员权限"
NOT_ELEVATED_TEXT = "需要管理员权限才能扫描磁盘。\n\n请右键点击程序，选择\"以管理员身份运行\"。"


def check_not_elevated(gui, rep):
    """Started with a non-elevated token: only the information box, then exit 0
    and nothing left behind (the next start is a first instance)."""
    exe = subprocess.run(["winepath", "-w", os.path.join(gui.bin, "tarnwick.exe")], stdout=subprocess.PIPE,
                         stderr=gui.log).stdout.decode().strip()
    limited = subprocess.Popen(["wine", os.path.join(gui.bin, "tarnwick-probe.exe"), "limited", exe],
                               stdout=gui.log, stderr=gui.log, stdin=subprocess.DEVNULL)
    box = None
    for _ in range(60):
        box = next((w for w in gui.probe("windows") or [] if w["class"] == "#32770" and w["visible"]), None)
        if box or limited.poll() is not None:
            break
        time.sleep(0.5)
    rep.check("not elevated: the information box", box is not None and box["title"] == NOT_ELEVATED_CAPTION
              and NOT_ELEVATED_TEXT in box.get("texts", []), str(box))
    rep.check("not elevated: no main window", gui.dump() is None)
    if box is not None:
        gui.screenshot("not-elevated")
        x, y, w, h = box["rect"]
        gui.click(x + w // 2, y + 8)  # the caption: focus the box
        gui.key("Return")
    try:
        code = limited.wait(30)
    except subprocess.TimeoutExpired:
        limited.kill()
        code = None
    rep.check("not elevated: exit code 0 after OK", code == 0, f"exit {code}")


def run(gui, rep, args):
    check_resources(rep, os.path.join(args.bin, "tarnwick.exe"), args.shots)
    check_not_elevated(gui, rep)
    gui.app = gui.start()
    gui.dump(60000)  # the window exists; then wait until it is shown with all its controls
    d, _ = gui.wait_for(lambda x: x["visible"] and len(x["controls"]) >= 16, 30)
    if not rep.check("main window appears", d is not None and d["visible"], "no visible TarnwickWindow"):
        return
    rep.check("class and title", d["class"] == "TarnwickWindow" and d["title"] == TITLE, f"{d['class']} {d['title']}")
    rep.check("window is 1320x840 at 96 DPI", d["window"][2:] == [1320, 840] and d["dpi"] == 96,
              f"window {d['window']} dpi {d['dpi']}")

    named = controls_by_name(d)
    layout = expected_layout(d["client"][2], d["client"][3], 96)
    wrong = []
    for name, want in layout.items():
        c = named.get(name)
        got = tuple(c["rect"]) if c else None
        if got is None or any(wv is not None and gv != wv for gv, wv in zip(got, want)):
            wrong.append(f"{name} at {got}, layout {want}")
    rep.check("every control at its layout rectangle", not wrong, "; ".join(wrong))
    rep.check("file list hidden on the first page", not named["file_list"]["visible"])
    texts = {n: named[n]["text"] for n in ("drive_label", "scan_button", "open_button", "save_button", "folder_title",
                                          "treemap_title", "extension_title")}
    rep.check("control texts", texts == {"drive_label": "驱动器", "scan_button": "扫描", "open_button": "打开…",
                                         "save_button": "保存…", "folder_title": "树状视图",
                                         "treemap_title": "顶级文件夹", "extension_title": "扩展名统计"}, str(texts))
    rep.check("打开… takes input before any scan, 保存… only once there is a result",
              named["open_button"]["enabled"] and not named["save_button"]["enabled"])
    rep.check("ready status", named["status_text"]["text"] == READY, named["status_text"]["text"])
    items = named["drive_combo"]["items"]
    rep.check("[X:] in the drive list", "[X:]" in items, str(items))
    rep.check("drive list starts on its first item", named["drive_combo"]["selection"] == 0)

    shot = gui.screenshot("ready")
    bx, by, bw, bh = named["scan_button"]["rect"]
    button = [gui.pixel(shot, *screen_point(d, bx + 5, by + bh // 2)),
              gui.pixel(shot, *screen_point(d, bx + bw - 6, by + 6))]
    rep.check("scan button in the accent colour", all(p == ACCENT for p in button), str(button))
    ox, oy, ow, oh = named["open_button"]["rect"]
    sx, sy, sw, sh = named["save_button"]["rect"]
    looks = [gui.pixel(shot, *screen_point(d, ox + 5, oy + oh // 2)), gui.pixel(shot, *screen_point(d, sx + 5, sy + 5))]
    rep.check("打开… drawn as the scan button, 保存… in the disabled grey until there is a result",
              looks == [ACCENT, (200, 200, 200)], str(looks))
    w, h = d["client"][2], d["client"][3]
    bands = [gui.pixel(shot, *screen_point(d, 4, 60)), gui.pixel(shot, *screen_point(d, 4, h - 8)),
             gui.pixel(shot, *screen_point(d, w - 4, 4))]
    rep.check("top and bottom bands", all(p == BAND for p in bands), str(bands))
    rep.check("white window body", gui.pixel(shot, *screen_point(d, 5, 120)) == WHITE)

    # ---- a scan of X: --------------------------------------------------------
    d = select_drive(gui, d, "[X:]")
    named = controls_by_name(d) if d else {}
    combo = named.get("drive_combo", {})
    if not rep.check("choosing [X:] with mouse and keys", combo.get("text") == "[X:]", str(combo.get("text"))):
        return
    gui.click(*centre(d, named["scan_button"]))
    # The line and then the lists and buttons, all in one message of the
    # window; a probe answered in between may see the line alone.
    d, done = gui.wait_for(lambda x: controls_by_name(x)["status_text"]["text"].startswith(("扫描完成 ", "扫描失败"))
                           and controls_by_name(x)["scan_button"]["enabled"], 120)
    named = controls_by_name(d)
    status = named["status_text"]["text"]
    gui.screenshot("scanned-x")
    scanned_x = rep.check("scan of X: ends with the success line", done and status.startswith("扫描完成 "), status)
    m = re.search(r" · (\d+) 文件 · (\d+) 文件夹 · 单击三角展开$", status)
    if args.files is None or args.folders is None:
        rep.skip("counts equal the command-line scanner's", "no tarnwick-scan figures given")
    else:
        got = (int(m.group(1)), int(m.group(2))) if m else None
        rep.check("counts equal the command-line scanner's", got == (args.files, args.folders),
                  f"status {got}, scanner {(args.files, args.folders)}")
    rep.check("progress bar at 100", named["progress_bar"].get("position") == 100, str(named["progress_bar"]))
    rows = named["folder_list"].get("rows", [])
    rep.check("folder list holds rows, the root first", named["folder_list"]["count"] > 0 and rows
              and rows[0][0] == "[X:]", f"count {named['folder_list']['count']}, rows {rows[:2]}")
    rep.check("extension list filled", named["extension_list"]["count"] > 0, str(named["extension_list"]["count"]))
    rep.check("drive list and button enabled after the scan",
              named["drive_combo"]["enabled"] and named["scan_button"]["enabled"])
    folder_rows = named["folder_list"]["count"]

    # ---- a drive that is not NTFS --------------------------------------------
    d = select_drive(gui, d, "[Y:]")
    named = controls_by_name(d) if d else {}
    if rep.check("choosing [Y:]", named.get("drive_combo", {}).get("text") == "[Y:]"):
        gui.click(*centre(d, named["scan_button"]))
        d, done = gui.wait_for(lambda x: controls_by_name(x)["status_text"]["text"].startswith("扫描失败"), 60)
        named = controls_by_name(d)
        gui.screenshot("failed-y")
        rep.check("scan of a volume that is not NTFS fails, saying so",
                  done and named["status_text"]["text"] == NOT_NTFS, named["status_text"]["text"])
        rep.check("nothing left disabled after the failure",
                  named["drive_combo"]["enabled"] and named["scan_button"]["enabled"])
        rep.check("the previous result stays after the failure", named["folder_list"]["count"] == folder_rows)

    # ---- the result views on the kept result ----------------------------------
    if scanned_x:
        first_cell = view_checks.check_views(gui, rep, gui.dump())
        view_checks.check_gdi(gui, rep, first_cell)
        # ---- 全景 ----
        if args.scanner and args.x_image:
            overview_checks.check_overview(gui, rep, args.scanner, args.x_image)
        else:
            rep.skip("全景: the page on X:", "no tarnwick-scan or no X: image given")

    # ---- the 搜索 page on X:, against tarnwick-scan --find -------------------
    if scanned_x and args.x_image and args.scanner:
        search_checks.check_search(gui, rep, args.x_image, args.scanner)
    else:
        rep.skip("search: the 搜索 page against --find", "no scan of X:, or no X: image or tarnwick-scan given")

    # ---- the views volume V:: treemap, keys, selection, empty list space ------
    interaction_checks.check_views_volume(gui, rep)

    # ---- W:: the remembered scan, a change of the volume, the 变化 page -------
    if args.change_image and args.scanner:
        change_checks.check_changes(gui, rep, args.change_image, args.scanner)
    else:
        rep.skip("changes: the 变化 page after a change of W:", "no W: image or no tarnwick-scan given")

    # ---- U:: the item menu, copying a path, deleting and reading again -------
    if args.action_image and args.scanner:
        action_checks.check_actions(gui, rep, args.action_image, args.scanner)
        search_checks.check_actions(gui, rep, args.action_image, args.scanner)
    else:
        rep.skip("actions: deleting on U:", "no U: image or no tarnwick-scan given")

    # ---- 打开… and 保存…: saved scans in and out of the window -------------------
    if args.scanner and args.x_image:
        file_checks.check_files(gui, rep, args.scanner, args.x_image, os.path.join(args.shots, "files"))
    else:
        rep.skip("files: open, save and export", "no tarnwick-scan or no X: image given")
    d = gui.dump()

    # ---- close to the tray, hand-over, exit ----------------------------------
    for _ in range(2):
        gui.click(*screen_point(d, w // 2, 60))  # focus the window
        gui.key("alt+F4")
        d, hidden = gui.wait_for(lambda x: not x["visible"], 5)
        if hidden:
            break
    rep.check("closing hides the window", hidden)
    rep.check("the process stays after closing", gui.app.poll() is None)
    # Wine shows a balloon as a tooltip window holding its text.
    balloon = False
    for _ in range(10):
        windows = gui.probe("windows") or []
        balloon = any(x["visible"] and x["title"] == "单击托盘图标恢复窗口，右键可退出程序" for x in windows)
        if balloon:
            break
        time.sleep(0.5)
    shot = gui.screenshot("hidden")
    rep.check("balloon shown on hiding", balloon, "no balloon window with its text")

    icon = tray_icon(gui, shot)
    if icon is None:
        rep.skip("left click on the tray icon restores", "icon not found in the taskbar")
    else:
        gui.click(*icon)
        d, shown = gui.wait_for(lambda x: x["visible"], 10)
        rep.check("left click on the tray icon restores", shown)

    d = gui.dump()
    if rep.check("title bar buttons found", d is not None and "minimize_button" in d and "close_button" in d):
        if not d["visible"]:
            gui.start().wait(30)  # bring it back for the button
            d, _ = gui.wait_for(lambda x: x["visible"], 10)
        gui.click(*d["minimize_button"])
        d, hidden = gui.wait_for(lambda x: not x["visible"], 10)
        rep.check("the minimise button hides the window (not minimised)", hidden and not d["iconic"],
                  f"visible {d['visible']} iconic {d['iconic']}")
        rep.check("the process stays after minimising", gui.app.poll() is None)

    second = gui.start()
    try:
        code = second.wait(30)
    except subprocess.TimeoutExpired:
        second.kill()
        code = None
    rep.check("second start exits with 0", code == 0, f"exit {code}")
    d, shown = gui.wait_for(lambda x: x["visible"], 10)
    rep.check("second start shows the hidden window", shown)
    rep.check("still one process", gui.app.poll() is None)
    rep.check("shown restored, not minimised", d is not None and not d["iconic"])

    gui.screenshot("shown-again")
    if d is not None and "close_button" in d:
        gui.click(*d["close_button"])
        d, hidden = gui.wait_for(lambda x: not x["visible"], 10)
        rep.check("the title bar's close button hides the window", hidden)
    shot = gui.screenshot("hidden-again")
    icon = tray_icon(gui, shot)
    used_menu = False
    if icon is not None:
        gui.click(*icon, button=3)
        time.sleep(1.0)
        menus = [x for x in gui.probe("windows") or [] if x["class"] == "#32768" and x["visible"]]
        rep.check("right click on the tray icon opens one menu", len(menus) == 1, f"{len(menus)} menus")
        if menus:
            gui.screenshot("tray-menu")
            x, y, w, h = menus[0]["rect"]
            gui.click(x + w // 2, y + h - 12)  # the last item: 退出
            used_menu = True
    if not used_menu:
        gui.probe("command", "1016")  # IDM_EXIT
    try:
        code = gui.app.wait(30)
    except subprocess.TimeoutExpired:
        code = None
    how = "tray menu 退出" if used_menu else "IDM_EXIT"
    rep.check(f"{how} ends the process with 0", code == 0, f"exit {code}")
    run_high_dpi(gui, rep)
    theme_checks.check_dark(gui, rep)  # leaves the prefix in dark app mode
    fit_checks.check_small_screen(gui, rep)  # dark, 144 DPI on a 1600x1000 desktop


def exit_with_zero(gui, rep, label):
    """IDM_EXIT, and the check that the process ends with status 0."""
    gui.probe("command", "1016")  # IDM_EXIT
    try:
        code = gui.app.wait(30)
    except subprocess.TimeoutExpired:
        code = None
    rep.check(label, code == 0, f"exit {code}")


def run_high_dpi(gui, rep):
    """The same prefix at 144 DPI (a desktop large enough for the window):
    the window and every control scale by 1.5, each length separately."""
    d, shown = gui.restart_with((
        (r"HKCU\Control Panel\Desktop", "LogPixels", "REG_DWORD", "144"),
        (r"HKCU\Software\Wine\Explorer\Desktops", "Default", "REG_SZ", "2400x1600")))
    if not rep.check("144 DPI: main window appears", shown):
        return
    rep.check("144 DPI: window is 1980x1260", d["window"][2:] == [1980, 1260] and d["dpi"] == 144,
              f"window {d['window']} dpi {d['dpi']}")
    named = controls_by_name(d)
    wrong = []
    for name, want in expected_layout(d["client"][2], d["client"][3], 144).items():
        got = tuple(named[name]["rect"]) if name in named else None
        if got is None or any(wv is not None and gv != wv for gv, wv in zip(got, want)):
            wrong.append(f"{name} at {got}, layout {want}")
    rep.check("144 DPI: every control at its scaled rectangle", not wrong, "; ".join(wrong))
    d = select_drive(gui, d, "[X:]")
    if d is not None and controls_by_name(d)["drive_combo"]["text"] == "[X:]":
        gui.click(*centre(d, controls_by_name(d)["scan_button"]))
        d, done = gui.wait_for(lambda x: controls_by_name(x)["status_text"]["text"].startswith("扫描完成 "), 120)
        if rep.check("144 DPI: scan of X: succeeds", done):
            view_checks.check_scaled_views(gui, rep, d, 144)
            change_checks.check_high_dpi(gui, rep, 144)
            search_checks.check_high_dpi(gui, rep, 144)
            overview_checks.check_high_dpi(gui, rep, 144)  # 全景
    exit_with_zero(gui, rep, "IDM_EXIT ends the process with 0")


if __name__ == "__main__":
    sys.exit(main())
