"""The window on a small screen at a high DPI, in dark app mode: 144 DPI on a
1600x1000 desktop, where the window at its designed size would not fit.
The window lies within the work area; on every page the headers and the
widest text of every column in view fit their scaled columns (the probe
reads the widths and measures the texts in the list font); names and paths,
which no width can hold, show their whole text in a tooltip when cut; every
page is dark. Runs after theme_checks.check_dark, which leaves the prefix in
dark app mode; ends with the program gone."""
import time

import change_checks as c
import gui_test as g
import list_nav as nav
import search_checks as s
import theme_checks as t
import view_checks as v

DPI = 144
DESKTOP = (1600, 1000)
TIP_CLASS = "tooltips_class32"
# Free text: names and paths, cut with an ellipsis and read whole in a tooltip.
FREE_TEXT = ("文件夹", "文件名", "路径", "名称")
SWATCH = "扩展名"  # its text starts after a colour swatch
PAGES = (  # tab, its lists
    ("tree", 0, (1003, 1004)),
    ("files", 1, (1014,)),
    ("changes", 2, (1020, 1021, 1035)),
    ("search", 3, (s.LIST,)),
    ("overview", 4, ()),
)


def clipped(fit):
    """The columns of a `fit` probe answer whose header, or whose widest cell
    in view outside the free-text columns, is wider than the room the
    painters give it."""
    S = lambda n: g.scale(n, fit["dpi"])
    out = []
    for col in fit["columns"]:
        header_room = col["width"] - 2 * S(9) - (S(14) if col["sorted"] else 0)
        if col["text_extent"] > header_room:
            out.append(f"header {col['text']!r} {col['text_extent']} px in {header_room}")
        if col["text"] in FREE_TEXT:
            continue
        cell_room = col["width"] - (S(20) + S(8) if col["text"] == SWATCH else 2 * S(6))
        if col["widest_extent"] > cell_room:
            out.append(f"{col['text']} cell {col['widest']!r} {col['widest_extent']} px in {cell_room}")
    return out


def within(inner, outer):
    x, y, w, h = inner
    ox, oy, ow, oh = outer
    return x >= ox and y >= oy and x + w <= ox + ow and y + h <= oy + oh


def check_cut_name_tip(gui, rep, d):
    """On the 搜索 page: the 文件夹 column made narrow, resting the pointer on
    a cut path shows the whole path in a tooltip; on the row's size cell,
    which is not cut, no tooltip holds the path."""
    rows = nav.listing(gui, 0, 3, s.LIST)
    if not rep.check("small screen: the 搜索 list holds rows", rows.get("count", 0) > 0 and rows.get("rows")):
        return
    # The row with the longest path in view, its column narrower than the path.
    rows = nav.listing(gui, 0, 10, s.LIST)
    index = max(rows["rows"], key=lambda r: len(r["cells"][1]))["index"]
    gui.probe("colwidth", str(s.LIST), "1", str(g.scale(60, DPI)))
    time.sleep(0.5)
    rows = nav.listing(gui, 0, 10, s.LIST)
    row = next(r for r in rows["rows"] if r["index"] == index)
    path = row["cells"][1]
    hx, _, hw, _ = rows["header"][1]["rect"]
    sx, _, sw, _ = rows["header"][2]["rect"]
    y = row["rect"][1] + row["rect"][3] // 2

    def tips():
        return [w["title"] for w in gui.probe("windows") or [] if w["class"].lower() == TIP_CLASS and w["visible"]]

    nav.mouse_away(gui, d)
    time.sleep(0.3)
    gui.xdotool("mousemove", hx + hw // 2 - 3, y)
    gui.xdotool("mousemove", hx + hw // 2, y)
    shown = v.wait(lambda: path in tips(), timeout=5)
    gui.screenshot("small-screen-cut-path-tip")
    rep.check("small screen: a cut path shows its whole text in a tooltip", bool(shown) and len(path) > 8,
              f"path {path!r}, visible tips {tips()}")
    gui.xdotool("mousemove", sx + sw // 2, y)
    time.sleep(1.0)
    rep.check("small screen: a cell that is not cut shows no such tooltip", path not in tips(),
              f"visible tips {tips()}")
    nav.mouse_away(gui, d)
    gui.probe("colwidth", str(s.LIST), "1", str(g.scale(440, DPI)))


def check_small_screen(gui, rep, scan_letter="X"):
    d, shown = gui.restart_with((
        (r"HKCU\Control Panel\Desktop", "LogPixels", "REG_DWORD", str(DPI)),
        (r"HKCU\Software\Wine\Explorer\Desktops", "Default", "REG_SZ", f"{DESKTOP[0]}x{DESKTOP[1]}")))
    if not rep.check("small screen: main window appears at 144 DPI on 1600x1000", shown and d["dpi"] == DPI):
        return
    # Wine's desktop shows its taskbar only once a window is shown, and the
    # work area shrinks without the notice Windows sends when a taskbar
    # appears or moves; the probe sends that notice.
    d, _ = gui.wait_for(lambda x: x.get("work_area") and x["work_area"][3] < DESKTOP[1], 10)
    gui.probe("settingchange", "workarea")
    time.sleep(0.5)
    d = gui.dump() or d
    work = d.get("work_area")
    rep.check("small screen: told that the work area changed, the window moves inside it",
              work is not None and within(d["window"], work) and within(work, [0, 0, *DESKTOP]),
              f"window {d['window']}, work area {work}")
    item = f"[{scan_letter}:]"
    d = g.select_drive(gui, d, item)
    if d is None or g.controls_by_name(d)["drive_combo"]["text"] != item:
        rep.check(f"small screen: choosing {item}", False)
        return
    gui.click(*g.centre(d, g.controls_by_name(d)["scan_button"]))
    d, done = gui.wait_for(lambda x: nav.status(x).startswith(nav.DONE), 120)
    if not rep.check(f"small screen: scan of {scan_letter}: succeeds", done):
        return
    c.compared(gui)
    for name, index, lists in PAGES:
        d = c.open_tab(gui, index)
        if name == "search":
            s.typed(gui, d, s.QUERY)
            d = gui.dump() or d
        nav.mouse_away(gui, d)
        time.sleep(1.5 if name == "overview" else 0.5)
        shot = gui.screenshot(f"small-screen-dark-{name}")
        t.check_page_dark(gui, rep, d, shot, f"144 DPI {name}")
        visible = {ctl["id"] for ctl in d["controls"] if ctl["visible"]}
        problems, measured = [], 0
        for list_id in lists:
            if list_id not in visible:
                problems.append(f"list {list_id} not shown")
                continue
            fit = gui.probe("fit", str(list_id))
            if not fit or not fit.get("columns"):
                problems.append(f"list {list_id}: no columns read")
                continue
            measured += fit["rows"]
            problems += [f"list {list_id}: {p}" for p in clipped(fit)]
        rep.check(f"small screen: {name}: every header and widest cell in view fits its column", not problems,
                  f"{measured} rows measured; " + "; ".join(problems))
        if name == "search":
            check_cut_name_tip(gui, rep, d)
    g.exit_with_zero(gui, rep, "small screen: IDM_EXIT ends the process with 0")
