"""The menu bar of the document windows: `fenmoor a.pdf b.pdf`; the window of a.pdf carries File,
Edit, View, Window and Help; Open Recent lists both files once the menu has been rebuilt after
they opened, and the desktop's recent list names them for the program; with a.pdf's window in
front, Export... opens one dialog "Export" whose written file shows "a.pdf", and none for b.pdf;
Clear Menu leaves Clear Menu alone in Open Recent."""

import os
import subprocess
import xml.etree.ElementTree as ElementTree

import pyatspi

import driver


def recent_files_of_program():
    """The files the desktop's recent list names for this program."""
    path = os.path.join(os.environ["XDG_DATA_HOME"], "recently-used.xbel")
    if not os.path.exists(path):
        return set()
    ns = {"bookmark": "http://www.freedesktop.org/standards/desktop-bookmarks"}
    files = set()
    for bookmark in ElementTree.parse(path).getroot().iter("bookmark"):
        names = [app.get("name") for app in bookmark.iterfind(".//bookmark:application", ns)]
        if "Fenmoor" in names:
            files.add(os.path.basename(bookmark.get("href")))
    return files


def scenario():
    shell = driver.Shell("menus-", ("a.pdf", "b.pdf"))
    with shell.start("a.pdf", "b.pdf") as program:
        app = driver.application(process=program.process)
        driver.frames_become(app, ["a.pdf", "b.pdf"], "the windows of a.pdf and b.pdf")
        frame = driver.find(app, "frame", "a.pdf")
        for title in ("File", "Edit", "View", "Window", "Help"):
            driver.find(frame, "menu item", title)
        # The menus are rebuilt after each opening: their entries are read until they hold.
        driver.wait_for("the File menu's commands",
                        lambda: {"Open...", "Open Recent", "Close Window", "Export...", "Quit"} <=
                        set(driver.menu_entries(frame, "File") or []))
        driver.wait_for("the View menu's commands",
                        lambda: {"Zoom to Fit", "Zoom In", "Zoom Out", "Full Screen"} <=
                        set(driver.menu_entries(frame, "View") or []))

        driver.wait_for("the desktop's recent list to name both files",
                        lambda: recent_files_of_program() == {"a.pdf", "b.pdf"})
        # The menu is rebuilt two seconds after each opening.
        driver.wait_for("Open Recent to list a.pdf and b.pdf",
                        lambda: {"a.pdf", "b.pdf"} <=
                        set(driver.menu_entries(frame, "Open Recent") or []), timeout=20)
        print("screenshot:", driver.screenshot("e2e_menus"))

        driver.focus_window("a.pdf")
        driver.wait_for("the window of a.pdf to be active",
                        lambda: driver.has_state(frame, pyatspi.STATE_ACTIVE))
        driver.press(driver.find(frame, "menu item", "Export..."))
        written = driver.export_file(app, os.path.join(shell.work, "exported.pdf"))
        shown = subprocess.run(["pdftotext", written, "-"], capture_output=True, text=True).stdout
        driver.expect("a.pdf" in shown, f"the exported file shows {shown!r}, not a.pdf")
        driver.stays_absent('a second dialog "Export" (for b.pdf)',
                            lambda: driver.find_all(app, "dialog", "Export"))

        driver.press(driver.find(frame, "menu item", "Clear Menu"))
        driver.wait_for("Clear Menu to be alone in Open Recent",
                        lambda: driver.menu_entries(frame, "Open Recent") == ["Clear Menu"])
        # The menu empties at once; the desktop's list is written by the program's file worker.
        driver.wait_for("the desktop's recent list to name none of the program's files",
                        lambda: recent_files_of_program() == set())
        shell.close_all(program, ("a.pdf", "b.pdf"))


if __name__ == "__main__":
    driver.run(scenario)
