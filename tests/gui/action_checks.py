"""Acting on items of U:, a copy of the sample volume: its image is the raw
volume (\\\\.\\U:) and an ntfs-3g mount of the same image is the drive's
directory, so a deletion through the shell changes the records the program
reads again (tests/gui/run_gui_tests.sh mounts it before Wine starts). Wine
reports a volume serial number of its own for a mapped directory unless the
directory's .windows-serial names one: it holds the boot sector's, as
Windows reports it.

The checks: our items head the item menu, in their order; Ctrl+C copies a
path and says so;
the root and a name with a trailing dot are refused before any question;
a path that names another record since the scan is refused after it; Shift+Del on a folder asks,
deletes, and the window shows the volume as it is now (the row gone, the
root smaller) without a scan, and F5 then finds the same; Del asks
to move to the Recycle Bin, which under Wine is the desktop's trash: a
folder it cannot move there and offers to delete for good instead
(declined: nothing is deleted); a file it moves there, out of the volume
(the line says 已删除 and the row goes)."""

import json
import os
import subprocess
import time

import change_checks
import list_nav as nav
import view_checks as v

COPIED = "已复制路径"
REFUSED = "无法删除: "
REFUSE_ROOT = "这是卷的根目录"
REFUSE_TRAILING_DOT = "名称以点或空格结尾，请在资源管理器中删除"
REFUSE_CHANGED = "路径已不再指向扫描到的项目，请重新扫描"
DELETED = "已删除 \u201c"
RECYCLED = "已移到回收站"
NOT_DELETED = " 个项目未能删除: "
CANCELLED = "已取消"
IDYES, IDNO = 6, 7
FILES_TAB = 1
DOTTED = "old."  # a folder name Explorer cannot delete by its plain path


def dialogs(gui):
    return [w for w in gui.probe("windows") or [] if w["class"] == "#32770" and w["visible"]]


def menus(gui):
    return [w for w in gui.probe("windows") or [] if w["class"] == "#32768" and w["visible"]]


def row_cells(gui, name):
    row = v.row_named(nav.listing(gui), name)
    return row["cells"] if row else None


def status_becomes(gui, predicate, timeout=20):
    d, ok = gui.wait_for(lambda x: predicate(nav.status(x)), timeout, step=0.3)
    return nav.status(d), ok


def press_on_row(gui, name, *keys):
    """Selects the folder row with a click and presses the keys there; False
    when the row is not listed."""
    if nav.click_row(gui, nav.listing(gui), name) is None:
        return False
    gui.key(*keys)
    return True


def host_counts(scanner, image):
    out = subprocess.run([scanner, "--json", "--drive-letter", "U", image], stdout=subprocess.PIPE, check=True)
    r = json.loads(out.stdout)
    return r["file_count"], r["folder_count"]


def check_actions(gui, rep, image, scanner):
    mnt = os.path.join(os.environ.get("WINEPREFIX", ""), "drive_u")
    if not os.path.ismount(mnt):
        rep.skip("actions: deleting on U:", "U:'s image is not mounted through ntfs-3g at the drive's directory")
        return
    os.makedirs(os.path.join(mnt, DOTTED))
    with open(os.path.join(mnt, DOTTED, "kept.txt"), "w") as f:
        f.write("a name Explorer handles\n")
    run_checks(gui, rep, image, scanner, mnt)


def run_checks(gui, rep, image, scanner, mnt):
    d = nav.scan_drive(gui, "[U:]")
    if not rep.check("actions: U: scanned", d is not None, nav.status(gui.dump())):
        return

    # Our items first, in their order: chosen with the keys (the menu's
    # items cannot be read from another process under Wine), the second
    # copies the path and the fourth refuses the root.
    for name, downs, want in (("projects", 2, COPIED), ("[U:]", 4, REFUSED + REFUSE_ROOT)):
        listing = nav.listing(gui)
        row = v.row_named(listing, name)
        opened = False
        if row is not None:
            listing, row = nav.in_view(gui, listing, row)
            time.sleep(nav.DOUBLE_CLICK_GAP)
            gui.click(*nav.row_point(listing, row), button=3)
            opened = bool(v.wait(lambda: menus(gui), timeout=3))
            if opened and name == "projects":
                gui.screenshot("actions-menu")
            gui.key(*(["Down"] * downs), "Return")
        status, _ = status_becomes(gui, lambda s: s == want, 5)
        rep.check(f"actions: item {downs} of the menu on {name} is ours", opened and status == want,
                  f"menu {opened}, status {status!r}")
    clip = gui.probe("clipboard")
    rep.check("actions: 复制路径 copies the folder's path", isinstance(clip, dict) and clip.get("text") == "U:\\projects",
              str(clip))

    # Ctrl+C: the path, and a sign that it was copied.
    press_on_row(gui, "Users", "ctrl+c")
    status, _ = status_becomes(gui, lambda s: s == COPIED, 5)
    clip = gui.probe("clipboard")
    rep.check("actions: Ctrl+C copies the folder's path and says 已复制路径",
              status == COPIED and isinstance(clip, dict) and clip.get("text") == "U:\\Users",
              f"status {status!r}, clipboard {clip}")

    # Refusals before any question.
    for name, keys, reason in (("[U:]", ("Delete",), REFUSE_ROOT), (DOTTED, ("shift+Delete",), REFUSE_TRAILING_DOT)):
        press_on_row(gui, name, *keys)
        status, _ = status_becomes(gui, lambda s: s == REFUSED + reason, 5)
        rep.check(f"actions: deleting {name} is refused with its reason and no question",
                  status == REFUSED + reason and not dialogs(gui), f"status {status!r}")
    rep.check("actions: the refused folder is still on the volume", os.path.isdir(os.path.join(mnt, DOTTED)))

    # Shift+Del on a folder: the question names it; the window shows the volume as it is now.
    root_before = row_cells(gui, "[U:]")
    folder = row_cells(gui, "projects")
    press_on_row(gui, "projects", "shift+Delete")
    asked = v.wait(lambda: dialogs(gui), timeout=5)
    question = " ".join(asked[0].get("texts", [])) if asked else ""
    rep.check("actions: Shift+Del asks first, naming the folder", "projects" in question and "永久删除" in question,
              repr(question))
    if asked:
        gui.screenshot("actions-question")
        gui.probe("answer", str(IDYES))
    status, done = status_becomes(gui, lambda s: s.startswith((DELETED, REFUSED)) or "未能删除" in s, 30)
    time.sleep(1.0)  # the new generation follows the line
    gone = row_cells(gui, "projects") is None
    root_after = row_cells(gui, "[U:]")
    gui.screenshot("actions-deleted")
    rep.check("actions: Shift+Del deletes the folder from the volume and says so",
              status.startswith(DELETED + "projects") and not os.path.exists(os.path.join(mnt, "projects")),
              f"status {status!r}")
    # Items, files and folders: the root loses the folder's, and the folder itself.
    counts = lambda cells: [int(c) for c in cells[4:7]] if cells else None
    want = None
    if root_before and folder:
        want = [counts(root_before)[0] - counts(folder)[0] - 1, counts(root_before)[1] - counts(folder)[1],
                counts(root_before)[2] - counts(folder)[2] - 1]
    rep.check("actions: without a scan the row is gone and the root lost the folder's items",
              gone and want is not None and counts(root_after) == want and root_after[2] != root_before[2],
              f"root before {root_before}, folder {folder}, after {root_after}, want counts {want}")

    # F5 reads the whole volume: the same figures as the re-read.
    before = gui.dump()
    gui.key("F5")
    d, scanned = gui.wait_for(nav.scan_changed(before), 120, step=0.3)
    rescanned = row_cells(gui, "[U:]")
    files, folders = host_counts(scanner, image)
    tail = f" · {files} 文件 · {folders} 文件夹"
    rep.check("actions: F5 after the deletion shows the same root row as the re-read, and the scanner's counts",
              scanned and rescanned == root_after and tail in nav.status(d),
              f"re-read {root_after}, F5 {rescanned}, status {nav.status(d)!r}, scanner{tail}")

    # Another record behind the same path (the folder replaced since the
    # scan): refused after the question, and nothing is deleted.
    os.rename(os.path.join(mnt, "Program Files"), os.path.join(mnt, "Program Files.old"))
    os.makedirs(os.path.join(mnt, "Program Files"))
    press_on_row(gui, "Program Files", "shift+Delete")
    asked = v.wait(lambda: dialogs(gui), timeout=5)
    if asked:
        gui.probe("answer", str(IDYES))
    status, _ = status_becomes(gui, lambda s: s.startswith(REFUSED), 15)
    rep.check("actions: a path that names another record than the scanned one is refused",
              bool(asked) and status == REFUSED + REFUSE_CHANGED
              and os.path.isdir(os.path.join(mnt, "Program Files")), f"asked {bool(asked)}, status {status!r}")

    # Del: to the Recycle Bin, which under Wine is the desktop's trash
    # ($XDG_DATA_HOME/Trash), outside the volume. A folder Wine cannot move
    # there: it offers to delete it for good instead (the warning the program
    # asks the shell for), and declined, nothing is deleted. A file it moves
    # there: gone from the volume, so the line says 已删除, not that it went
    # to the Recycle Bin, and 文件查看 no longer lists it.
    trash = os.path.join(os.environ.get("XDG_DATA_HOME", ""), "Trash", "files")
    press_on_row(gui, "Users", "Right")
    v.wait(lambda: row_cells(gui, "bob") is not None, timeout=3)
    press_on_row(gui, "bob", "Delete")
    question, warned, status = answer_deletion(gui, IDNO)
    on_volume = os.path.isdir(os.path.join(mnt, "Users", "bob"))
    listed = row_cells(gui, "bob") is not None
    print(f"  Del on the folder bob under Wine: the shell's warning {warned}, status {status!r}")
    rep.check("actions: Del on a folder asks to move it to the Recycle Bin", "\u201cbob\u201d 移到回收站" in question,
              repr(question))
    rep.check("actions: declining the shell's offer to delete for good deletes nothing, and says so",
              warned and status == "1" + NOT_DELETED + CANCELLED and on_volume and listed,
              f"warned {warned}, status {status!r}, on the volume {on_volume}, listed {listed}")

    change_checks.open_tab(gui, FILES_TAB)
    files = v.rows(gui, v.FILE_LIST, 0, 1)
    first = files["rows"][0] if files["rows"] else None
    if rep.check("actions: 文件查看 lists a file", first is not None):
        name = first["cells"][0]
        x, y, w, h = first["rect"]
        time.sleep(nav.DOUBLE_CLICK_GAP)
        gui.click(x + w // 2, y + h // 2)
        gui.key("Delete")
        question, warned, status = answer_deletion(gui, IDNO)
        after = v.rows(gui, v.FILE_LIST, 0, 1)
        listed = bool(after["rows"]) and after["rows"][0]["cells"][0] == name
        in_trash = os.path.isfile(os.path.join(trash, name))
        print(f"  Del on the file {name} under Wine: the shell's warning {warned}, status {status!r}, "
              f"in Wine's trash {in_trash}")
        rep.check(f"actions: Del on the file {name} asks, Wine moves it to its trash outside the volume, "
                  "the line says 已删除 and 文件查看 no longer lists it",
                  f"\u201c{name}\u201d 移到回收站" in question and not warned and in_trash
                  and status == DELETED + name + "\u201d" and not listed,
                  f"question {question!r}, warned {warned}, in the trash {in_trash}, status {status!r}, "
                  f"listed {listed}")
    change_checks.open_tab(gui, 0)


def answer_deletion(gui, shell_answer):
    """Says yes to our question and answers the shell's own dialog, if one
    follows (it draws its text: it is the dialog without ours); our question,
    whether the shell asked, and the status line after the action."""
    asked = v.wait(lambda: dialogs(gui), timeout=5)
    question = " ".join(asked[0].get("texts", [])) if asked else ""
    if asked:
        gui.probe("answer", str(IDYES))
    warned = v.wait(lambda: [w for w in dialogs(gui) if "移到回收站" not in " ".join(w.get("texts", []))],
                    timeout=5)
    if warned:
        gui.screenshot("actions-shell-warning")
        gui.probe("answer", str(shell_answer))
    status, _ = status_becomes(gui, lambda s: s.startswith((DELETED, REFUSED, RECYCLED)) or NOT_DELETED in s, 30)
    time.sleep(1.0)  # the new generation follows the line
    return question, bool(warned), status
