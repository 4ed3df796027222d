"""The 搜索 page on the sample volume X:, driven by real input: a query
typed into the search box gives the count line and first rows of
tarnwick-scan --find on the same image; Enter on a file shows it in
树状视图; Ctrl+C copies the selected rows' paths; a header re-sorts; a bad
query shows its reason; a new scan keeps the query and searches again.
Called by gui_test.py after the checks of the views on X:; leaves the tree
view tab chosen. On U:, after the checks of deleting, check_actions acts
on matches as on the rows of any other list."""

import json
import os
import subprocess
import time

import action_checks as a
import change_checks as c
import gui_test as g
import list_nav as nav
import view_checks as v

SEARCH_TAB = 3
BOX, LINE, LIST = 1025, 1026, 1027
QUERY = "e size:>100K"
BAD = "size:>lots"
BAD_LINE = "查询无效: size:>lots — 大小应为数字加单位 (B, K, M, G, T)"
HINT_START = "输入名称或筛选条件"
COLUMNS = ["名称", "文件夹", "大小", "分配", "修改时间"]


def find(scanner, image, query, *extra, letter="X"):
    out = subprocess.run([scanner, "-q", "--drive-letter", letter, *extra, "--find", query, image],
                         stdout=subprocess.PIPE, check=True)
    return out.stdout.decode("utf-8")


def page(gui):
    d = gui.dump()
    return d, c.by_id(d)


def line_text(gui):
    return c.by_id(gui.dump()).get(LINE, {}).get("text")


def typed(gui, d, text):
    """Clicks into the search box, empties it and types the text with the
    keyboard; the line once the program has answered (it changed)."""
    box = c.by_id(d)[BOX]
    before = line_text(gui)
    gui.click(*g.centre(d, box))
    gui.key("ctrl+a", "BackSpace")
    time.sleep(0.3)
    gui.xdotool("type", "--delay", "60", text)
    return v.wait(lambda: (lambda t: t if t and t != before and not t.startswith(HINT_START) else None)(line_text(gui)),
                  timeout=10)


def window_row(row):
    """A window row as --find prints it: size, allocated, modified, path."""
    name, folder, size, alloc, modified = row["cells"][:5]
    path = folder + ("" if folder.endswith("\\") else "\\") + name if folder else "X:\\"
    return [size, alloc, modified, path]


def cli_row(line):
    """A --find line: two sizes (right-aligned in 10), the time (left-aligned
    in 19, blank when unknown), the path, two blanks apart."""
    return [line[0:10].strip(), line[12:22].strip(), line[24:43].strip(), line[45:]]


def check_search(gui, rep, image, scanner):
    d = c.open_tab(gui, SEARCH_TAB)
    ids = c.by_id(d)
    shown = all(ids.get(i, {}).get("visible") for i in (BOX, LINE, LIST))
    listing = nav.listing(gui, 0, 0, LIST)
    headers = [h["text"] for h in listing["header"]]
    rep.check("search: the 搜索 tab is the fourth and shows the box, the line and the list",
              g.controls_by_name(d)["tabs"]["count"] >= 4 and shown and headers == COLUMNS
              and not g.controls_by_name(d)["folder_list"]["visible"],
              f"visible {[ids.get(i, {}).get('visible') for i in (BOX, LINE, LIST)]}, headers {headers}")

    # ---- a query typed: the count line and the first rows are --find's ----------
    got_line = typed(gui, d, QUERY)
    lines = find(scanner, image, QUERY).splitlines()
    facts = json.loads(find(scanner, image, QUERY, "--json"))
    rows = nav.listing(gui, 0, 12, LIST)
    first = [window_row(r) for r in rows["rows"]]
    want = [cli_row(x) for x in lines[:-1][:len(first)]]
    nav.mouse_away(gui, d)
    time.sleep(0.5)
    gui.screenshot("search-results")
    rep.check(f"search: typing {QUERY!r} gives --find's count line and first rows",
              got_line == lines[-1] and rows["count"] == len(lines) - 1 and len(first) >= 8 and first == want
              and facts["folder_count"] > 0 and facts["file_count"] > 0,
              f"line {got_line!r} (--find {lines[-1]!r}), rows {rows['count']}\n    window {first}\n    --find {want}")

    # ---- a header re-sorts: 名称, descending first ------------------------------------
    gui.probe("header", str(LIST), "0")
    by_name = v.wait(lambda: (lambda r: r if r["header"] and r["header"][0]["sort"] == "down" else None)(
        nav.listing(gui, 0, 40, LIST)), timeout=5)
    names = [r["cells"][0] for r in by_name["rows"]] if by_name else []
    rep.check("search: a click on 名称 orders the matches by name, descending",
              len(names) >= 8 and [v.fold(n) for n in names] == sorted((v.fold(n) for n in names), reverse=True),
              f"{names}")
    gui.probe("header", str(LIST), "2")  # back to size, descending
    v.wait(lambda: nav.listing(gui, 0, 1, LIST)["header"][2]["sort"] == "down", timeout=5)

    # ---- Ctrl+C: the selected rows' paths, one per line ---------------------------------
    files = [m["path"] for m in facts["matches"] if m["type"] == "file"]
    rows = nav.listing(gui, 0, 40, LIST)
    paths = {window_row(r)[3]: r for r in rows["rows"]}
    file_rows = [paths[p] for p in files if p in paths]
    gui.probe("clipboard-set", c.SENTINEL)
    one = two = None
    if len(file_rows) >= 2:
        time.sleep(nav.DOUBLE_CLICK_GAP)
        gui.click(*nav.row_point(rows, file_rows[0]))
        gui.key("ctrl+c")
        one = v.wait(lambda: (lambda t: t if t != c.SENTINEL else None)((gui.probe("clipboard") or {}).get("text")), 3)
        gui.probe("clipboard-set", c.SENTINEL)
        time.sleep(nav.DOUBLE_CLICK_GAP)
        gui.xdotool("keydown", "ctrl")
        gui.click(*nav.row_point(rows, file_rows[1]))
        gui.xdotool("keyup", "ctrl")
        gui.key("ctrl+c")
        two = v.wait(lambda: (lambda t: t if t != c.SENTINEL else None)((gui.probe("clipboard") or {}).get("text")), 3)
    selected = nav.listing(gui, 0, 40, LIST).get("selected_count")
    gui.screenshot("search-two-selected")
    want_one = window_row(file_rows[0])[3] if file_rows else None
    want_two = "\r\n".join(sorted((window_row(r)[3] for r in file_rows[:2]), key=lambda p: paths[p]["index"])) \
        if len(file_rows) >= 2 else None
    rep.check("search: Ctrl+C copies the selected row's path, and with a second row selected both, one per line",
              one == want_one and two == want_two and selected == 2,
              f"copied {one!r} and {two!r}, want {want_one!r} and {want_two!r}; {selected} rows selected")

    # ---- Enter on a file: 树状视图 opens down to it and selects it ------------------------
    target = window_row(file_rows[0]) if file_rows else None
    if target:
        time.sleep(nav.DOUBLE_CLICK_GAP)
        gui.click(*nav.row_point(rows, file_rows[0]))
        v.wait(lambda: nav.listing(gui, 0, 40, LIST)["selected_count"] == 1, timeout=3)
        gui.key("Return")
    d, tree = gui.wait_for(lambda x: g.controls_by_name(x)["tabs"]["selection"] == 0
                           and g.controls_by_name(x)["folder_list"]["visible"], 5, step=0.3)
    name = target[3].rsplit("\\", 1)[1] if target else None
    folder = target[3].rsplit("\\", 2)[-2] if target else None
    selected = v.wait(lambda: (lambda n: n if n == name else None)(nav.selected_name(nav.listing(gui))), timeout=3)
    caption = v.caption(gui)
    nav.mouse_away(gui, d)
    time.sleep(0.5)
    gui.screenshot("search-enter-tree-view")
    rep.check("search: Enter on a file shows it in 树状视图 (its row selected, the treemap on its folder's files)",
              tree and selected == name and caption == f"{folder} / {v.DIRECT_FILES}",
              f"tree view {tree}, selected {nav.selected_name(nav.listing(gui))!r} (want {name!r}), caption "
              f"{caption!r}")

    # ---- a bad query: its reason in the line, no rows ------------------------------------
    d = c.open_tab(gui, SEARCH_TAB)
    got_line = typed(gui, d, BAD)
    count = nav.listing(gui, 0, 0, LIST)["count"]
    gui.screenshot("search-bad-query")
    rep.check("search: a bad query shows its reason and no rows", got_line == BAD_LINE and count == 0,
              f"line {got_line!r}, rows {count}")

    # ---- a new scan keeps the query and searches the new result -------------------------
    typed(gui, d, QUERY)
    before = nav.listing(gui, 0, 0, LIST)["count"]
    d = nav.scan_drive(gui, "[X:]")
    d, done = gui.wait_for(lambda x: c.by_id(x)[LINE]["text"] == lines[-1], 20, step=0.3) if d else (gui.dump(), False)
    ids = c.by_id(d)
    rep.check("search: a new scan keeps the query and shows its matches in the new result",
              done and ids[BOX]["text"] == QUERY and nav.listing(gui, 0, 0, LIST)["count"] == before == len(lines) - 1,
              f"status {nav.status(d)!r}, box {ids[BOX]['text']!r}, line {ids[LINE]['text']!r}")
    c.open_tab(gui, 0)


ACTION_QUERY = "tool type:file"


def check_actions(gui, rep, image, scanner):
    """On U: (its image mounted through ntfs-3g at the drive's directory):
    Ctrl+C on two matches says 已复制路径, Del with two selected asks nothing and says why,
    the item menu's 复制路径 copies one, and Shift+Del on one match deletes
    it: the page searches the volume as it is now, equal to --find on the
    changed image, with the next match selected in its place."""
    mnt = os.path.join(os.environ.get("WINEPREFIX", ""), "drive_u")
    if not os.path.ismount(mnt):
        rep.skip("search: acting on matches on U:", "U:'s image is not mounted through ntfs-3g")
        return
    d = c.open_tab(gui, SEARCH_TAB)
    typed(gui, d, ACTION_QUERY)
    rows = nav.listing(gui, 0, 40, LIST)
    paths = [window_row(r)[3] for r in rows["rows"]]
    if not rep.check("search: U: shown, its matches of " + repr(ACTION_QUERY) + " listed",
                     len(paths) >= 8 and all(p.startswith("U:\\") for p in paths), f"{paths}"):
        c.open_tab(gui, 0)
        return

    # Two rows: Ctrl+C copies both and says so; Del asks nothing.
    gui.probe("clipboard-set", c.SENTINEL)
    time.sleep(nav.DOUBLE_CLICK_GAP)
    gui.click(*nav.row_point(rows, rows["rows"][1]))
    gui.xdotool("keydown", "ctrl")
    gui.click(*nav.row_point(rows, rows["rows"][2]))
    gui.xdotool("keyup", "ctrl")
    gui.key("ctrl+c")
    status, _ = a.status_becomes(gui, lambda t: t == a.COPIED, 5)
    clip = (gui.probe("clipboard") or {}).get("text")
    rep.check("search: Ctrl+C on two matches copies both paths and says 已复制路径",
              status == a.COPIED and clip == "\r\n".join(paths[1:3]), f"status {status!r}, clipboard {clip!r}")
    gui.key("Delete")
    asked = v.wait(lambda: a.dialogs(gui), timeout=2)
    if asked:
        gui.probe("answer", str(a.IDNO))
    status, _ = a.status_becomes(gui, lambda t: t == a.REFUSED + "一次只能删除一个项目", 5)
    rep.check("search: Del with two matches selected asks nothing, deletes nothing and says why",
              not asked and status == a.REFUSED + "一次只能删除一个项目"
              and all(os.path.exists(os.path.join(mnt, *p[3:].split("\\"))) for p in paths[1:3]),
              f"asked {bool(asked)}, status {status!r}")

    # The item menu of a match: our items first; the second copies its path.
    gui.probe("clipboard-set", c.SENTINEL)
    time.sleep(nav.DOUBLE_CLICK_GAP)
    gui.click(*nav.row_point(rows, rows["rows"][0]), button=3)
    opened = bool(v.wait(lambda: a.menus(gui), timeout=3))
    gui.key("Down", "Down", "Return")
    clip = v.wait(lambda: (lambda t: t if t != c.SENTINEL else None)((gui.probe("clipboard") or {}).get("text")), 3)
    rep.check("search: the item menu of a match offers our items; 复制路径 copies its path",
              opened and clip == paths[0], f"menu {opened}, clipboard {clip!r}, want {paths[0]!r}")

    # Shift+Del on one match: asked, deleted, searched again in the new generation.
    victim = 5
    name = rows["rows"][victim]["cells"][0]
    neighbour = rows["rows"][victim + 1]["cells"][0]
    time.sleep(nav.DOUBLE_CLICK_GAP)
    gui.click(*nav.row_point(rows, rows["rows"][victim]))
    v.wait(lambda: nav.listing(gui, 0, 40, LIST)["selected_count"] == 1, timeout=3)
    line_before = line_text(gui)
    gui.key("shift+Delete")
    asked = v.wait(lambda: a.dialogs(gui), timeout=5)
    question = " ".join(asked[0].get("texts", [])) if asked else ""
    if asked:
        gui.probe("answer", str(a.IDYES))
    status, _ = a.status_becomes(gui, lambda t: t.startswith((a.DELETED, a.REFUSED)) or a.NOT_DELETED in t, 30)
    line = v.wait(lambda: (lambda t: t if t and t != line_before else None)(line_text(gui)), timeout=10)
    after = nav.listing(gui, 0, 40, LIST)
    names = [r["cells"][0] for r in after["rows"]]
    want = find(scanner, image, ACTION_QUERY, letter="U").splitlines()
    on_volume = os.path.exists(os.path.join(mnt, *paths[victim][3:].split("\\")))
    gui.screenshot("search-after-delete")
    rep.check(f"search: Shift+Del on the match {name} asks, deletes it, and the page shows --find's answer on the "
              "changed volume with the next match selected",
              "永久删除" in question and name in question and status == a.DELETED + name + "\u201d"
              and not on_volume and name not in names and line == want[-1] and after["count"] == len(want) - 1
              and nav.selected_name(after) == neighbour,
              f"question {question!r}, status {status!r}, on the volume {on_volume}, line {line!r} "
              f"(--find {want[-1]!r}), rows {names}, selected {nav.selected_name(after)!r} (want {neighbour!r})")
    c.open_tab(gui, 0)


def expected_page(w, h, dpi):
    """Where the page's controls belong for a client area of w x h."""
    s = lambda v: g.scale(v, dpi)
    m = s(12)
    t = s(78) + s(30) + s(28)
    c = h - t - s(30) - m
    box_y = s(78) + s(30) + s(8)
    line_y = box_y + s(26) + s(6)
    list_y = line_y + s(22) + s(6)
    return {BOX: [m, box_y, w - 2 * m, s(26)], LINE: [m, line_y, w - 2 * m, s(22)],
            LIST: [m, list_y, w - 2 * m, max(s(80), t + c - list_y)]}


def check_high_dpi(gui, rep, dpi):
    """The page at a higher DPI: every control at its scaled rectangle, rows
    as high as the folder list's, the query kept in the box."""
    folder_rows_high = {r["rect"][3] for r in nav.listing(gui, 0, 3)["rows"]}
    d = c.open_tab(gui, SEARCH_TAB)
    got_line = typed(gui, d, QUERY)
    d = gui.dump()
    ids = c.by_id(d)
    want = expected_page(d["client"][2], d["client"][3], dpi)
    wrong = [f"{i} at {ids.get(i, {}).get('rect')}, layout {r}" for i, r in want.items() if ids.get(i, {}).get("rect") != r]
    rows = nav.listing(gui, 0, 5, LIST)
    heights = {r["rect"][3] for r in rows["rows"]}
    nav.mouse_away(gui, d)
    time.sleep(0.5)
    gui.screenshot(f"search-{dpi}dpi")
    rep.check(f"{dpi} DPI: the 搜索 page at its scaled rectangles, rows as the folder list's",
              not wrong and bool(got_line) and got_line.startswith("找到 ") and rows["count"] > 0
              and heights == folder_rows_high and min(heights) >= g.scale(24, dpi),
              f"{'; '.join(wrong)}; line {got_line!r}; rows {rows['count']}, heights {heights} (folder list "
              f"{folder_rows_high})")
    c.open_tab(gui, 0)
