"""The result views under real mouse input: the folder tree list, the treemap
and its caption, the extension list and the file view, checked through the
probe (list rows, header sort marks, GDI counts) and screenshots (pixels).
Called by gui_test.py after a successful scan of the sample volume X:."""

import time

import gui_test as g

PALETTE0 = (86, 156, 214)  # TreemapPalette[0] and [1] as R, G, B
PALETTE1 = (78, 201, 176)
GREY_TEXT = (96, 96, 96)
TOP_LEVEL = "顶级文件夹"
DIRECT_FILES = "[直接文件]"
FOLDER_LIST, EXTENSION_LIST, FILE_LIST = 1003, 1004, 1014


def fold(name):
    """The case-insensitive order of the lists: only A-Z folded, then code units."""
    return [ord(c) + 32 if "A" <= c <= "Z" else ord(c) for c in name]


def rows(gui, list_id, first=0, n=80):
    return gui.probe("list", str(list_id), str(first), str(n)) or {"count": -1, "rows": [], "header": []}


def caption(gui):
    d = gui.dump()
    return g.controls_by_name(d)["treemap_title"]["text"] if d else None


def double_click(gui, x, y):
    gui.xdotool("mousemove", x, y)
    time.sleep(0.3)
    gui.xdotool("click", "--repeat", "2", "--delay", "80", 1)


def wait(predicate, timeout=10, step=0.3):
    end = time.time() + timeout
    while time.time() < end:
        value = predicate()
        if value:
            return value
        time.sleep(step)
    return predicate()


def colour_box(gui, shot, x, y, w, h, colour):
    """How many pixels of the rectangle have exactly this colour."""
    return sum(1 for c in gui.pixels(shot, x, y, w, h).values() if c == colour)


def centre_of_colour(gui, shot, rect, colour):
    """The centre of the pixels of one colour inside a screen rectangle (the
    largest treemap cell of that colour), or None."""
    x, y, w, h = rect
    found = [p for p, c in gui.pixels(shot, x, y, w, h).items() if c == colour]
    if len(found) < 50:
        return None
    xs = sorted(p[0] for p in found)
    ys = sorted(p[1] for p in found)
    return xs[len(xs) // 2], ys[len(ys) // 2]


def screen_rect(d, control):
    x, y, w, h = control["rect"]
    sx, sy = g.screen_point(d, x, y)
    return sx, sy, w, h


def row_named(listing, name, start=0):
    return next((r for r in listing["rows"][start:] if r["cells"][0] == name), None)


def check_views(gui, rep, d, dpi=96):
    s = lambda v: g.scale(v, dpi)
    named = g.controls_by_name(d)
    treemap_rect = screen_rect(d, named["treemap"])
    before = rows(gui, FOLDER_LIST)
    rep.check("views: caption starts at the top level", caption(gui) == TOP_LEVEL, str(caption(gui)))

    # ---- treemap double-click: reveal, select, caption ----------------------
    # The first colour goes to the largest child folder of the root.
    largest = next((r["cells"][0] for r in before["rows"][1:] if r["cells"][0] != DIRECT_FILES), None)
    shot = gui.screenshot("views-root")
    first_cell = centre_of_colour(gui, shot, treemap_rect, PALETTE0)
    if not rep.check("views: the treemap paints its first item in TreemapPalette[0]", first_cell is not None):
        return None
    double_click(gui, *first_cell)
    wait(lambda: caption(gui) != TOP_LEVEL)
    after = rows(gui, FOLDER_LIST)
    selected = after["rows"][after["selected"]]["cells"][0] if 0 <= after["selected"] < len(after["rows"]) else None
    rep.check("views: a treemap double-click opens the folder, selects its row and sets the caption",
              caption(gui) == largest and selected == largest and after["count"] > before["count"],
              f"caption {caption(gui)!r}, selected {selected!r}, largest {largest!r}, "
              f"rows {before['count']} -> {after['count']}")

    # ---- the selected row: white on RGB(0, 120, 215) -------------------------
    shot = gui.screenshot("views-selected")
    check_selected_row(gui, rep, shot, after, s, "")

    # ---- the triangle of a closed folder opens it ------------------------------
    # A folder of the root (depth 1) that the navigation left closed, with subfolders.
    root_children = {r["cells"][0] for r in before["rows"][1:]}
    target = next((r for r in after["rows"][1:] if r["cells"][0] in root_children
                   and r["cells"][0] not in (largest, DIRECT_FILES) and int(r["cells"][6] or 0) > 0), None)
    if not rep.check("views: a closed folder with subfolders is listed", target is not None):
        return first_cell
    tree_before = gui.pixels(shot, *treemap_rect)
    x, y, w, h = target["rect"]
    gui.click(x + s(6) + s(16) * 1 + s(5), y + h // 2)  # its triangle (depth 1)
    opened = wait(lambda: (lambda r: r if r["count"] > after["count"] else None)(rows(gui, FOLDER_LIST)))
    opened = opened or rows(gui, FOLDER_LIST)
    name = target["cells"][0]
    shot = gui.screenshot("views-triangle")
    rep.check("views: a triangle click opens the folder; treemap and caption follow",
              opened["count"] > after["count"] and caption(gui) == name
              and gui.pixels(shot, *treemap_rect) != tree_before,
              f"rows {after['count']} -> {opened['count']}, caption {caption(gui)!r}")

    # ---- "[直接文件]" of that folder: files mode -------------------------------
    at = next((i for i, r in enumerate(opened["rows"]) if r["cells"][0] == name), None)
    added = opened["count"] - after["count"]
    group = None
    if at is not None:
        group = next((r for r in opened["rows"][at + 1:at + 1 + added] if r["cells"][0] == DIRECT_FILES), None)
    if rep.check("views: the opened folder shows its [直接文件] row", group is not None):
        x, y, w, h = group["rect"]
        double_click(gui, x + s(6) + s(16) * 2 + s(16) + s(16) + s(30), y + h // 2)  # on its label
        want = name + " / " + DIRECT_FILES
        wait(lambda: caption(gui) == want)
        files = rows(gui, FOLDER_LIST)
        rep.check("views: double-clicking [直接文件] switches the treemap to files mode",
                  caption(gui) == want and files["count"] == opened["count"] + int(group["cells"][5]),
                  f"caption {caption(gui)!r}, rows {opened['count']} -> {files['count']} "
                  f"(files {group['cells'][5]})")
        gui.screenshot("views-files-mode")

    # The root's children as listed while only the root was open; a name that
    # occurs again deeper down ("[直接文件]") cannot tell the levels apart.
    children = [r["cells"][0] for r in before["rows"][1:]]
    check_header_click(gui, rep, s, {n for n in children if children.count(n) == 1 and n != DIRECT_FILES})
    check_extension_swatch(gui, rep, s)
    check_file_tab(gui, rep, dpi)
    check_context_menu(gui, rep)
    return first_cell


def check_selected_row(gui, rep, shot, listing, s, prefix):
    chosen = listing["rows"][listing["selected"]] if 0 <= listing["selected"] < len(listing["rows"]) else None
    other = next((r for r in listing["rows"] if not r["selected"]), None)
    if chosen is None or other is None:
        rep.check(f"{prefix}views: a selected row is white on RGB(0, 120, 215)", False, "no selected row")
        return
    size = listing["header"][2]["rect"]  # the "大小" cell: right-aligned text, free space on its left
    y = chosen["rect"][1] + chosen["rect"][3] // 2
    background = gui.pixel(shot, size[0] + s(8), y)
    text = colour_box(gui, shot, size[0], chosen["rect"][1], size[2], chosen["rect"][3], g.WHITE)
    plain = gui.pixel(shot, size[0] + s(8), other["rect"][1] + other["rect"][3] // 2)
    rep.check(f"{prefix}views: a selected row is white on RGB(0, 120, 215)",
              background == g.ACCENT and text > 10 and plain == g.WHITE,
              f"background {background}, {text} white pixels, unselected row {plain}")


def check_header_click(gui, rep, s, children):
    """A click on "文件夹" sorts the rows by name, descending first; the header
    shows the triangle at the column's right end, "大小" loses its mark."""
    top = rows(gui, FOLDER_LIST, 0, 1)
    names_of = lambda listing: [r["cells"][0] for r in listing["rows"] if r["cells"][0] in children]
    x, y, w, h = top["header"][0]["rect"]
    for direction in ("down", "up"):
        time.sleep(0.8)  # two clicks in quick succession would be a double-click
        gui.click(x + w // 2, y + h // 2)
        listing = wait(lambda: (lambda r: r if r["header"][0]["sort"] == direction else None)(rows(gui, FOLDER_LIST)))
        listing = listing or rows(gui, FOLDER_LIST)
        order = names_of(listing)
        want = sorted(order, key=fold, reverse=direction == "down")
        shot = gui.screenshot(f"views-sort-name-{direction}")
        hx, hy, hw, hh = listing["header"][0]["rect"]
        mark = colour_box(gui, shot, hx + hw - s(12) - s(4), hy + hh // 2 - s(4), s(8), s(8), GREY_TEXT)
        sx, sy, sw, sh = listing["header"][2]["rect"]
        old_mark = colour_box(gui, shot, sx + s(9) - s(4), sy + sh // 2 - s(4), s(8), s(8), GREY_TEXT)
        rep.check(f"views: a header click sorts by name ({direction}) and draws the sort triangle",
                  order == want and len(order) >= 3 and listing["header"][2]["sort"] == "" and mark >= 5
                  and old_mark == 0,
                  f"order {order}, marks: name {mark} px, size {old_mark} px, "
                  f"flags {[hd['sort'] for hd in listing['header']]}")


def check_extension_swatch(gui, rep, s):
    """After sorting the extension list by name ascending its first row is the
    first extension, whose swatch is TreemapPalette[0]; the swatch colours
    follow the extensions' positions (the second row has entry 1)."""
    listing = rows(gui, EXTENSION_LIST, 0, 3)
    x, y, w, h = listing["header"][0]["rect"]
    # A new column starts descending, the next click on it ascends.
    for _ in range(3):
        time.sleep(0.8)  # two clicks in quick succession would be a double-click
        sort = listing["header"][0]["sort"]
        gui.click(x + w // 2, y + h // 2)
        listing = wait(lambda: (lambda r: r if r["header"][0]["sort"] != sort else None)(rows(gui, EXTENSION_LIST, 0, 1)))
        if listing is None or listing["header"][0]["sort"] == "up":
            break
    listing = rows(gui, EXTENSION_LIST, 0, 200)
    names = [r["cells"][0] for r in listing["rows"]]
    shot = gui.screenshot("views-extensions-by-name")
    first = listing["rows"][0] if listing["rows"] else None
    swatch, outside, second = None, None, None
    if len(listing["rows"]) >= 2:
        rx, ry, rw, rh = first["rect"]
        # The centre and two inner corners of the swatch, and the pixel just above it.
        swatch = [gui.pixel(shot, rx + s(13), ry + rh // 2), gui.pixel(shot, rx + s(6), ry + s(5)),
                  gui.pixel(shot, rx + s(20) - 1, ry + rh - s(5) - 1)]
        outside = gui.pixel(shot, rx + s(13), ry + s(5) - 1)
        sx, sy, sw, sh = listing["rows"][1]["rect"]
        second = gui.pixel(shot, sx + s(13), sy + sh // 2)
    rep.check("views: the first extension row's swatch is TreemapPalette[0] after sorting by name",
              listing["header"][0]["sort"] == "up" and names == sorted(names, key=fold)
              and swatch == [PALETTE0] * 3 and outside != PALETTE0 and second == PALETTE1,
              f"sort {listing['header'][0]['sort']}, first {names[:3]}, swatch {swatch}, above {outside}, "
              f"second row {second}")


def check_file_tab(gui, rep, dpi):
    d = gui.dump()
    tabs = g.controls_by_name(d)["tabs"]
    x, y, w, h = tabs["items"][1]
    gui.click(*g.screen_point(d, x + w // 2, y + h // 2))
    d, _ = gui.wait_for(lambda x: g.controls_by_name(x)["file_list"]["visible"], 10)
    named = g.controls_by_name(d)
    page0 = ("folder_title", "folder_list", "treemap_title", "treemap", "extension_title", "extension_list")
    shown = [n for n in page0 if named[n]["visible"]]
    cw, ch = d["client"][2], d["client"][3]
    s = lambda v: g.scale(v, dpi)
    t = s(78) + s(30) + s(28)
    want = [s(12), t, cw - 2 * s(12), ch - t - s(30) - s(12)]
    files = named["file_list"]
    gui.screenshot("views-file-tab")
    rep.check("views: the 文件查看 tab shows only the file list, at the full width",
              files["visible"] and not shown and files["rect"] == want and files["count"] > 0,
              f"visible page-0 controls {shown}, file list {files['rect']} (want {want}), rows {files['count']}")
    x, y, w, h = tabs["items"][0]
    gui.click(*g.screen_point(d, x + w // 2, y + h // 2))
    gui.wait_for(lambda x: g.controls_by_name(x)["folder_list"]["visible"], 10)


def check_gdi(gui, rep, first_cell):
    """200 repaints and 50 navigations leave as many live GDI objects as before."""
    start = gui.probe("gdi")
    gui.probe("repaint", "200", timeout=300)
    repainted = gui.probe("gdi")
    navigated = None
    if first_cell is not None:
        gui.probe("cycle", "50", str(first_cell[0]), str(first_cell[1]), timeout=300)
        navigated = gui.probe("gdi")
    ok = (start and repainted and navigated and repainted["live"] == start["live"]
          and navigated["live"] == start["live"] and repainted["created"] - start["created"] >= 200
          and navigated["created"] > repainted["created"]
          and (start["system"] == 0 or navigated["system"] <= start["system"] + 4))
    print(f"  GDI objects: {start} -> after 200 repaints {repainted} -> after 50 navigations {navigated}")
    rep.check("views: live GDI objects do not grow across 200 repaints and 50 navigations", ok,
              f"{start} -> {repainted} -> {navigated}")



BAR = (96, 150, 200)  # the share-of-parent bar
GLYPH = (228, 196, 110)  # the folder glyph


def check_scaled_views(gui, rep, d, dpi):
    """At another DPI: the selected row's colours, the share bar, the folder
    glyph and the extension swatch sit where the scaled geometry puts them."""
    s = lambda v: g.scale(v, dpi)
    prefix = f"{dpi} DPI: "
    named = g.controls_by_name(d)
    shot = gui.screenshot(f"views-{dpi}dpi")
    first_cell = centre_of_colour(gui, shot, screen_rect(d, named["treemap"]), PALETTE0)
    if first_cell is not None:
        double_click(gui, *first_cell)
        wait(lambda: caption(gui) != TOP_LEVEL)
    listing = rows(gui, FOLDER_LIST)
    time.sleep(0.5)
    shot = gui.screenshot(f"views-{dpi}dpi-selected")
    check_selected_row(gui, rep, shot, listing, s, prefix)

    root = listing["rows"][0] if listing["rows"] else None
    if rep.check(prefix + "views: the root row is listed", root is not None and not root["selected"]):
        rx, ry, rw, rh = root["rect"]
        share = listing["header"][1]["rect"]
        bar = [gui.pixel(shot, share[0] + s(6), ry + s(4)), gui.pixel(shot, share[0] + share[2] - s(6) - 1,
                                                                       ry + rh - s(4) - 1)]
        around = [gui.pixel(shot, share[0] + s(6) - 1, ry + rh // 2), gui.pixel(shot, share[0] + s(20), ry + s(4) - 1)]
        glyph = colour_box(gui, shot, rx + s(6) + s(16), ry, s(24), rh, GLYPH)
        rep.check(prefix + "views: the root's full share bar and folder glyph are in place",
                  bar == [BAR, BAR] and BAR not in around and glyph > s(8) * s(4),
                  f"bar corners {bar}, beside {around}, {glyph} glyph pixels")

    extensions = rows(gui, EXTENSION_LIST, 0, 2)
    if extensions["rows"]:
        rx, ry, rw, rh = extensions["rows"][0]["rect"]
        inside = [gui.pixel(shot, rx + s(6), ry + s(5)), gui.pixel(shot, rx + s(20) - 1, ry + rh - s(5) - 1)]
        outside = [gui.pixel(shot, rx + s(6) - 1, ry + s(5)), gui.pixel(shot, rx + s(20), ry + rh // 2),
                   gui.pixel(shot, rx + s(13), ry + rh - s(5))]
        rep.check(prefix + "views: the first extension swatch fills exactly its scaled rectangle",
                  inside == [PALETTE0] * 2 and PALETTE0 not in outside, f"inside {inside}, outside {outside}")


def check_context_menu(gui, rep):
    """A right-click on a row selects it and opens the item menu: our items
    on every row, and the shell's below them when the shell knows the path
    (X:\\ exists: the drive's directory), so the root's menu is the taller;
    none for a folder the shell cannot find (the volume image's folders are
    not in the drive's directory)."""
    menus = lambda: [w for w in gui.probe("windows") or [] if w["class"] == "#32768" and w["visible"]]
    listing = rows(gui, FOLDER_LIST)
    missing = next((r for r in listing["rows"][1:] if r["cells"][0] != DIRECT_FILES), None)
    heights, results = [], []
    for row in (listing["rows"][0] if listing["rows"] else None, missing):
        if row is None:
            results.append("row missing")
            continue
        x, y, w, h = row["rect"]
        gui.click(x + 120, y + h // 2, button=3)
        shown = wait(menus, timeout=3)
        if shown:
            heights.append(shown[0]["rect"][3])
            gui.screenshot("views-context-menu")
            gui.key("Escape")
            wait(lambda: not menus(), timeout=3)
        selected = rows(gui, FOLDER_LIST)["selected"] == row["index"]
        if not shown or not selected:
            results.append(f"{row['cells'][0]}: menu {bool(shown)}, selected {selected}")
    if len(heights) == 2 and heights[0] <= heights[1]:
        results.append(f"menu heights {heights}: the shell's items missing on the root")
    rep.check("views: right-click shows our items, and the shell's below them for a path it knows", not results,
              "; ".join(results))
