"""The stamp panel in a document window: in the page "Stamp" the menu item "Paid" of the selector
"Select stamp: None" is triggered through the accessibility tree (its menu is the chevron's
child), after which the selector is named "Select stamp: Paid", the preview stops showing "No
Stamp Selected" and the angle picker is found by its label.
Export, with a path typed over the "File name:" of the dialog "Export", writes a file whose page
shows the stamp's ink (red at half opacity) centred in its top-left quarter. Then the switch
"Include Date & Name" is turned on by its accessibility action, as a screen reader does: the
name and date rows show, "Include Name" is turned on the same way, a name is typed into "Enter a
name", and a second export lays down more of the stamp's ink (the name's line below the text, in
a taller frame)."""

import math
import os

import driver
import pyatspi


def named(root, name):
    """The nodes below `root` with this accessible name, whatever their role."""
    return [node for node in driver.walk(root) if node.name == name]


def stamp_ink(pdf):
    """The page's size and its pixels of stamp ink: the stamp's red at 50 % over white, about
    255/128/128."""
    width, height, rows = driver.rendered_page(pdf)
    ink = [(x, y) for y, row in enumerate(rows) for x, (r, g, b) in enumerate(row)
           if r > 200 and 80 < g < 180 and 80 < b < 180 and abs(g - b) < 40]
    return width, height, ink


def aspect(ink):
    """The length of the ink's spread over its height, along its own axes (the principal axes of
    the pixels), whatever angle it stands at."""
    count = len(ink)
    mean_x = sum(x for x, _ in ink) / count
    mean_y = sum(y for _, y in ink) / count
    xx = sum((x - mean_x) ** 2 for x, _ in ink) / count
    yy = sum((y - mean_y) ** 2 for _, y in ink) / count
    xy = sum((x - mean_x) * (y - mean_y) for x, y in ink) / count
    angle = 0.5 * math.atan2(2 * xy, xx - yy)
    along = [(x - mean_x) * math.cos(angle) + (y - mean_y) * math.sin(angle) for x, y in ink]
    across = [-(x - mean_x) * math.sin(angle) + (y - mean_y) * math.cos(angle) for x, y in ink]
    return (max(along) - min(along)) / (max(across) - min(across))


def toggle(node):
    """Flips a switch by its accessibility action, as a screen reader does (it does not click)."""
    action = node.queryAction()
    names = [action.getName(i) for i in range(action.nActions)]
    driver.expect("Toggle" in names, f"the switch {node.name!r} offers {names}, no Toggle")
    action.doAction(names.index("Toggle"))


def include_name_and_date(frame):
    include = driver.find(frame, "check box", "Include Date & Name")
    driver.expect(not driver.has_state(include, pyatspi.STATE_CHECKED),
                  '"Include Date & Name" is on in a new window')
    toggle(include)
    driver.wait_for('"Include Date & Name" to be checked',
                    lambda: driver.has_state(include, pyatspi.STATE_CHECKED))
    # The rows it reveals show, at a size, within the window.
    name_switch = driver.find(frame, "check box", "Include Name")
    name_field = driver.find(frame, "text", "Enter a name")
    frame_box = driver.extents(frame)
    for row in (name_switch, name_field):
        driver.wait_for(f'"{row.name}" to show', lambda row=row: driver.has_state(
            row, pyatspi.STATE_SHOWING) and driver.extents(row)[2] > 0)
        x, y, w, h = driver.extents(row)
        driver.expect(frame_box[1] <= y and y + h <= frame_box[1] + frame_box[3],
                      f'"{row.name}" at {(x, y, w, h)} lies outside the window {frame_box}')
    toggle(name_switch)
    driver.wait_for('"Include Name" to be checked',
                    lambda: driver.has_state(name_switch, pyatspi.STATE_CHECKED))
    driver.type_into(name_field, "invoice.pdf", "Ann Lee")
    driver.wait_for("the typed name", lambda: driver.text_of(name_field) == "Ann Lee")


def scenario():
    shell = driver.Shell("stamp-", ("invoice.pdf",))
    with shell.start("invoice.pdf") as program:
        app = driver.application(process=program.process)
        frame = driver.find(app, "frame", "invoice.pdf", timeout=15)
        driver.click(driver.find(frame, "page tab", "Stamp"))
        driver.wait_for("the stamp panel", lambda: named(frame, "No Stamp Selected"))
        driver.find_labelled(frame, "combo box", "Angle")

        select = driver.selector(frame, "Select stamp")
        driver.expect(select.name == "Select stamp: None", f"the selector is named {select.name!r}")
        paid = driver.wait_for('the menu item "Paid" of "Select stamp"',
                               lambda: next(iter(driver.find_all(select, "menu item", "Paid")), None))
        paid.queryAction().doAction(0)
        driver.wait_for('"No Stamp Selected" to go', lambda: not named(frame, "No Stamp Selected"))
        driver.wait_for('the selector to be named "Select stamp: Paid"',
                        lambda: select.name == "Select stamp: Paid")
        driver.expect(program.running(), "the program ended early")
        print("screenshot:", driver.screenshot("e2e_stamp"))

        driver.click(driver.find(frame, "push button", "Export"))
        written = driver.export_file(app, os.path.join(shell.work, "stamped.pdf"))
        width, height, ink = stamp_ink(written)
        driver.expect(len(ink) > 20, f"the written page shows no stamp ink ({len(ink)} pixels)")
        centre_x = sum(x for x, _ in ink) / len(ink)
        centre_y = sum(y for _, y in ink) / len(ink)
        driver.expect(centre_x < width / 2 and centre_y < height / 2,
                      f"the stamp's ink is centred at {centre_x:.0f}, {centre_y:.0f} of "
                      f"{width}x{height}, not in the top-left quarter")

        include_name_and_date(frame)
        driver.click(driver.find(frame, "push button", "Export"))
        named_stamp = driver.export_file(app, os.path.join(shell.work, "stamped-name.pdf"))
        _, _, named_ink = stamp_ink(named_stamp)
        # The name's line goes below the stamp's text, in a taller frame. The automatic angle
        # follows the stamp's shape, so the two stamps stand at different angles; the frame's
        # length over its height, measured along the ink's own axes, does not depend on that.
        alone, with_name = aspect(ink), aspect(named_ink)
        driver.expect(with_name < 0.93 * alone,
                      f"the stamp with a name is {with_name:.2f} times as long as high, the stamp "
                      f"alone {alone:.2f}")
        shell.close_all(program, ("invoice.pdf",))


if __name__ == "__main__":
    driver.run(scenario)
