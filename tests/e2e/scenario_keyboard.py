"""The document window worked with the keyboard alone, as the accessibility tree reports it. On
the Text page, Tab goes from "Enter a text watermark" past the four tabs into the position grid,
which sits below them: five presses. The arrow keys reach "Bottom Right" (on the second
page), Space chooses it; Right crosses onto the last page to "Triple", Return chooses it; Left
goes back and Space chooses "Bottom Right" again. A text typed into "Enter a text watermark" and
Ctrl+S, with a path typed into the dialog "Export", write a file whose text stands at the
page's bottom right (pdftotext -bbox). Alt+F opens the menu "File"; Down goes to "Export..." and
Return chooses it: the dialog "Export" opens, and Cancel closes it. Then Tab until "More" has
the focus, Space opens its
popover with the focus on the switch "Overwrite Original", Space checks it, Escape closes the
popover and gives the focus back to "More". Keys go to whichever window holds the X input focus,
as a person's would: only the first press of each part aims at the document window. The first
key waits for the document and the grid's pages, which may come after the window."""

import os
import subprocess
import xml.etree.ElementTree as ElementTree

import driver
import pyatspi


def key(name):
    subprocess.run(["xdotool", "key", name], check=True)


def focused(node):
    return driver.has_state(node, pyatspi.STATE_FOCUSED)


POSITIONS = ("Diagonal", "Top Left", "Top Center", "Top Right", "Middle", "Bottom Left",
             "Bottom Center", "Bottom Right", "Triple")


def focused_cell(frame):
    """The name of the position cell with the keyboard focus, or None."""
    return next((node.name for node in driver.find_all(frame, "push button")
                 if node.name in POSITIONS and focused(node)), None)


def focus_stop(frame):
    """What holds the keyboard focus in the window: each focused node (a field reports itself
    with the boxes around it) by role, name and place in its parent."""
    return tuple((node.getRoleName(), node.name, node.getIndexInParent())
                 for node in driver.walk(frame) if focused(node))


def answered(probe):
    """What probe() gives once the tree answers it: a node that goes while it is read (the tree
    changes as the focus moves) is read again."""
    return driver.wait_for("the accessibility tree to answer", lambda: (probe(),), timeout=5)[0]


def tab_count(frame, what, probe, presses=80):
    """Presses Tab until probe() finds something, each press once the last has moved the focus;
    returns what it found and the number of presses."""
    for press in range(1, presses + 1):
        before = answered(lambda: focus_stop(frame))
        key("Tab")
        driver.wait_for(f"Tab to move the focus off {before}",
                        lambda: focus_stop(frame) not in ((), before))
        found = answered(probe)
        if found:
            return found, press
    raise driver.ScenarioFailure(f"{presses} Tab presses never reached {what}")


def tab_until(frame, what, probe, presses=80):
    return tab_count(frame, what, probe, presses)[0]


def arrow_to(frame, name, arrow="Right", presses=12):
    """Presses `arrow` until the cell `name` has the focus, each press once the last has moved
    it."""
    for _ in range(presses):
        current = focused_cell(frame)
        if current == name:
            return
        key(arrow)
        driver.wait_for(f"{arrow} to move the focus off {current}",
                        lambda: focused_cell(frame) not in (None, current), timeout=5)
    driver.expect(focused_cell(frame) == name, f'{arrow} never took the focus to "{name}"')


def choose(frame, name, confirm):
    key(confirm)
    cell = driver.find(frame, "push button", name)
    driver.wait_for(f'"{name}" to be chosen',
                    lambda: driver.has_state(cell, pyatspi.STATE_SELECTED))


def word_boxes(pdf, word):
    """The boxes (page width, page height, xMin, yMin, xMax, yMax) of `word` in `pdf`, y down."""
    html = subprocess.run(["pdftotext", "-bbox", pdf, "-"], capture_output=True, text=True,
                          check=True).stdout
    root = ElementTree.fromstring(html.replace(' xmlns="http://www.w3.org/1999/xhtml"', ""))
    boxes = []
    for page in root.iter("page"):
        for node in page.iter("word"):
            if node.text == word:
                boxes.append((float(page.get("width")), float(page.get("height")),
                              *(float(node.get(k)) for k in ("xMin", "yMin", "xMax", "yMax"))))
    return boxes


def wait_until_ready(frame):
    """Waits for what the keys rely on and the window may still lack when its frame shows: the
    document shown (its area describes its page) and the position grid's pages, which are laid
    out on a thread of their own; a Tab pressed before they come passes the grid by."""
    driver.wait_for("the document to be shown",
                    lambda: any(node.name == "Document" and node.description == "Page 1 of 1"
                                for node in driver.walk(frame)))
    for page in (1, 2, 3):
        driver.find(frame, "push button", f"Positions, page {page} of 3")


def choose_position_and_export(shell, app, frame):
    """The grid, the text and the export, with the keys alone."""
    field = driver.find(frame, "text", "Enter a text watermark")
    field.queryComponent().grabFocus()
    driver.wait_for('the focus on "Enter a text watermark"', lambda: focused(field))
    # Below the field stand the four tabs, then the grid: its cells are one stop.
    cell, presses = tab_count(frame, "the focus on a position cell",
                               lambda: focused_cell(frame))
    driver.expect(cell in POSITIONS, f"the focus is on {cell}")
    driver.expect(presses == 5, f"the grid took {presses} Tab presses from the text field, not 5")
    arrow_to(frame, "Bottom Right")
    choose(frame, "Bottom Right", "space")
    arrow_to(frame, "Triple")
    choose(frame, "Triple", "Return")
    driver.expect(not driver.has_state(driver.find(frame, "push button", "Bottom Right"),
                                       pyatspi.STATE_SELECTED), '"Bottom Right" is still chosen')
    arrow_to(frame, "Bottom Right", "Left", presses=1)
    choose(frame, "Bottom Right", "space")

    tab_until(frame, 'the focus on "Enter a text watermark"', lambda: focused(field))
    subprocess.run(["xdotool", "type", "--delay", "20", "--", "Corner"], check=True)
    key("Return")
    driver.find(frame, "list item", "Corner")

    key("ctrl+s")
    try:
        dialog = driver.find(app, "dialog", "Export", timeout=60)
    except driver.ScenarioFailure:
        print("screenshot:", driver.screenshot("e2e_keyboard_failed"))
        raise
    name = driver.find(dialog, "text", "File name:")
    driver.wait_for('the focus on "File name:"', lambda: focused(name))
    path = os.path.join(shell.work, "corner.pdf")
    key("ctrl+a")
    key("BackSpace")
    subprocess.run(["xdotool", "type", "--delay", "20", "--", path], check=True)
    key("Return")
    driver.wait_for(f"the export to write {path}", lambda: os.path.exists(path), timeout=60)
    driver.wait_for('the dialog "Export" to close',
                    lambda: not driver.find_all(app, "dialog", "Export"))
    boxes = driver.wait_for("the text in the written file", lambda: word_boxes(path, "Corner"))
    driver.expect(len(boxes) == 1, f'"Corner" stands {len(boxes)} times in the file')
    width, height, x_min, y_min, _, _ = boxes[0]
    driver.expect(x_min > width / 2 and y_min > height * 0.75,
                  f'"Corner" stands at {boxes[0][2:]} on a page of {width} by {height}')


def focused_entry(menu):
    """The name of the entry of `menu` (a menu bar's "menu item") that the keyboard is on, or
    None."""
    return next((node.name for node in driver.walk(menu) if node is not menu and
                 node.getRoleName() == "menu item" and focused(node)), None)


def export_from_the_menu(app, frame):
    """File opened with Alt+F, "Export..." reached with Down and chosen with Return."""
    file_menu = driver.find(frame, "menu item", "File")
    key("alt+f")
    driver.wait_for('Alt+F to open the menu "File"', lambda: focused(file_menu))
    for _ in range(10):
        current = answered(lambda: focused_entry(file_menu))
        if current and current.startswith("Export"):
            break
        key("Down")
        driver.wait_for(f"Down to move off {current}",
                        lambda: focused_entry(file_menu) not in (None, current), timeout=5)
    driver.expect((answered(lambda: focused_entry(file_menu)) or "").startswith("Export"),
                  'Down never reached "Export..." in the menu "File"')
    key("Return")
    try:
        dialog = driver.find(app, "dialog", "Export", timeout=60)
    except driver.ScenarioFailure:
        print("screenshot:", driver.screenshot("e2e_keyboard_menu_failed"))
        raise
    print("screenshot:", driver.screenshot("e2e_keyboard_menu_export"))
    driver.click(driver.find(dialog, "push button", "Cancel"))
    driver.wait_for('the dialog "Export" to close',
                    lambda: not driver.find_all(app, "dialog", "Export"))


def scenario():
    shell = driver.Shell("fenmoor-keyboard-", ["report.pdf"])
    with shell.start("report.pdf") as program:
        app = driver.application(process=program.process)
        frame = driver.find(app, "frame", "report.pdf", timeout=20)
        more = driver.find(frame, "push button", "More")
        driver.expect(more.queryAction().nActions >= 1, "More cannot be pressed")

        wait_until_ready(frame)
        driver.focus_window("report.pdf")
        # First the grid and the export (which "Overwrite Original", checked below, would turn
        # into a save over the original without the dialog).
        choose_position_and_export(shell, app, frame)
        print("screenshot:", driver.screenshot("e2e_keyboard_grid"))

        # Without a window manager, the X input focus stays nowhere once the dialog has gone:
        # the window is aimed at again, as a person would click its title.
        driver.focus_window("report.pdf")
        export_from_the_menu(app, frame)

        driver.focus_window("report.pdf")
        tab_until(frame, 'the focus on "More"', lambda: focused(more))

        key("space")
        overwrite = driver.find(app, "check box", "Overwrite Original")
        driver.wait_for('the focus on "Overwrite Original" in the opened popover',
                        lambda: focused(overwrite))
        driver.expect(not driver.has_state(overwrite, pyatspi.STATE_CHECKED),
                      '"Overwrite Original" is checked in a new window')

        key("space")
        driver.wait_for('"Overwrite Original" to be checked',
                        lambda: driver.has_state(overwrite, pyatspi.STATE_CHECKED))
        driver.expect(focused(overwrite), 'Space moved the focus off "Overwrite Original"')
        print("screenshot:", driver.screenshot("e2e_keyboard"))

        key("Escape")
        driver.wait_for("the popover to close",
                        lambda: not driver.find_all(app, "check box", "Overwrite Original"))
        driver.wait_for('the focus back on "More"', lambda: focused(more))

        driver.expect(program.running(), "the program ended early")


if __name__ == "__main__":
    driver.run(scenario)
