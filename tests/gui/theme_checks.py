"""The window in Windows' dark app mode: AppsUseLightTheme = 0 in the prefix
before the start, every page's own painting dark with its text still
readable, and the switch both ways when the value changes and the window is
told ("ImmersiveColorSet")."""
import subprocess
import time

import change_checks
import gui_test as g

PERSONALIZE = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Themes\Personalize"
TAB_NAMES = ("tree", "files", "changes", "search", "overview")


def app_mode(light):
    return PERSONALIZE, "AppsUseLightTheme", "REG_DWORD", "1" if light else "0"


def set_app_mode(gui, light):
    key, name, kind, value = app_mode(light)
    subprocess.run(["wine", "reg", "add", key, "/v", name, "/t", kind, "/d", value, "/f"],
                   stdout=gui.log, stderr=gui.log, check=True)


def luminance(rgb):
    def linear(c):
        c /= 255.0
        return c / 12.92 if c <= 0.04045 else ((c + 0.055) / 1.055) ** 2.4
    r, gr, b = (linear(c) for c in rgb)
    return 0.2126 * r + 0.7152 * gr + 0.0722 * b


def contrast(a, b):
    la, lb = luminance(a), luminance(b)
    return (max(la, lb) + 0.05) / (min(la, lb) + 0.05)


def surface(gui, shot, d, rect):
    """The most frequent colour of a client rectangle and the strongest
    contrast of any of its pixels against it (its text, if any)."""
    x, y, w, h = rect
    sx, sy = g.screen_point(d, x, y)
    pixels = gui.pixels(shot, sx, sy, max(1, w), max(1, h))
    counts = {}
    for p in pixels.values():
        counts[p] = counts.get(p, 0) + 1
    back = max(counts, key=counts.get)
    return back, max(contrast(p, back) for p in pixels.values())


def page_surfaces(d):
    """The rectangles of the program's own painting on the page shown: its
    visible lists and titles, and the 全景 control's path bar."""
    out = {}
    for c in d["controls"]:
        if not c["visible"]:
            continue
        x, y, w, h = c["rect"]
        if c["class"] == "SysListView32" and w > 40 and h > 40:
            out[f"list {c['id']}"] = (x, y, w - 20, h - 20)  # not the scroll bars
        elif c["class"] == "Static" and c["text"] and w > 10:
            out[f"text {c['text']}"] = (x, y, w, h)
        elif c["class"] == "TarnwickOverview":
            out["全景 path bar"] = (x, y, w, min(h, 24))
    return out


def check_window_dark(gui, rep, d, shot, label):
    w, h = d["client"][2], d["client"][3]
    body = gui.pixel(shot, *g.screen_point(d, 5, 120))
    bands = [gui.pixel(shot, *g.screen_point(d, 4, 60)), gui.pixel(shot, *g.screen_point(d, 4, h - 8))]
    rep.check(f"dark: {label}: body and bands dark", luminance(body) < 0.06 and all(luminance(b) < 0.06 for b in bands),
              f"body {body}, bands {bands}")


def check_page_dark(gui, rep, d, shot, name):
    """The page shown: bands and body dark, its lists, titles and path bar on
    dark backgrounds, their texts standing out."""
    check_window_dark(gui, rep, d, shot, name)
    light, faint = [], []
    for what, rect in page_surfaces(d).items():
        back, strongest = surface(gui, shot, d, rect)
        if luminance(back) >= 0.06:
            light.append(f"{what}: {back}")
        # A title's or a list's text stands out from its background.
        if strongest < 4.5 and not what.startswith("list") or what.startswith("list") and strongest < 3.0:
            faint.append(f"{what}: {strongest:.2f}")
    rep.check(f"dark: {name}: its lists, texts and path bar on dark backgrounds", not light, "; ".join(light))
    rep.check(f"dark: {name}: text keeps its contrast", not faint, "; ".join(faint))


def check_dark(gui, rep):
    """A fresh start at 96 DPI in dark app mode; ends with the program gone."""
    d, shown = gui.restart_with(((r"HKCU\Control Panel\Desktop", "LogPixels", "REG_DWORD", "96"), app_mode(False)))
    if not rep.check("dark: main window appears with AppsUseLightTheme = 0", shown):
        return
    check_window_dark(gui, rep, d, gui.screenshot("dark-ready"), "before a scan")
    d = g.select_drive(gui, d, "[X:]")
    if d is None or g.controls_by_name(d)["drive_combo"]["text"] != "[X:]":
        rep.check("dark: choosing [X:]", False)
        return
    gui.click(*g.centre(d, g.controls_by_name(d)["scan_button"]))
    d, done = gui.wait_for(lambda x: g.controls_by_name(x)["status_text"]["text"].startswith("扫描完成 "), 120)
    if not rep.check("dark: scan of X: succeeds", done):
        return
    time.sleep(1.0)
    for index, name in enumerate(TAB_NAMES):
        d = change_checks.open_tab(gui, index)
        time.sleep(1.5 if name == "overview" else 0.5)
        check_page_dark(gui, rep, d, gui.screenshot(f"dark-{name}"), name)

    # The value changes and the system says so: light, then dark again.
    d = change_checks.open_tab(gui, 0)
    for light, label in ((True, "light"), (False, "dark")):
        set_app_mode(gui, light)
        gui.probe("settingchange", "ImmersiveColorSet")
        time.sleep(1.0)
        d = gui.dump() or d
        shot = gui.screenshot(f"switched-{label}")
        body = gui.pixel(shot, *g.screen_point(d, 5, 120))
        band = gui.pixel(shot, *g.screen_point(d, 4, 60))
        folder = g.controls_by_name(d)["folder_list"]["rect"]
        back, _ = surface(gui, shot, d, (folder[0], folder[1] + folder[3] // 2, folder[2] - 20, folder[3] // 2 - 20))
        if light:
            ok = body == g.WHITE and band == g.BAND and back == g.WHITE
        else:
            ok = all(luminance(p) < 0.06 for p in (body, band, back))
        rep.check(f"dark: the window turns {label} on ImmersiveColorSet", ok,
                  f"body {body}, band {band}, folder list {back}")
    g.exit_with_zero(gui, rep, "dark: IDM_EXIT ends the process with 0")
