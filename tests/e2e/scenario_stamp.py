"""The stamp panel in a document window: in the page "Stamp" the menu item "Paid" of the selector
"Select" is triggered through the accessibility tree (its menu is the chevron's child), after
which the preview stops showing "No Stamp Selected" and the angle picker is found by its label.
Export, with a path typed over the "File name:" of the dialog "Export", writes a file whose page
shows the stamp's ink (red at half opacity) centred in its top-left quarter."""

import os

import driver


def named(root, name):
    """The nodes below `root` with this accessible name, whatever their role."""
    return [node for node in driver.walk(root) if node.name == name]


def scenario():
    shell = driver.Shell("stamp-", ("invoice.pdf",))
    with shell.start("invoice.pdf") as program:
        app = driver.application(process=program.process)
        frame = driver.find(app, "frame", "invoice.pdf", timeout=15)
        driver.click(driver.find(frame, "page tab", "Stamp"))
        driver.wait_for("the stamp panel", lambda: named(frame, "No Stamp Selected"))
        driver.find_labelled(frame, "combo box", "Angle")

        select = driver.wait_for('the selector "Select"', lambda: next(iter(named(frame, "Select")), None))
        paid = driver.wait_for('the menu item "Paid" of "Select"',
                               lambda: next(iter(driver.find_all(select, "menu item", "Paid")), None))
        paid.queryAction().doAction(0)
        driver.wait_for('"No Stamp Selected" to go', lambda: not named(frame, "No Stamp Selected"))
        driver.expect(program.running(), "the program ended early")
        print("screenshot:", driver.screenshot("e2e_stamp"))

        driver.click(driver.find(frame, "push button", "Export"))
        written = driver.export_file(app, os.path.join(shell.work, "stamped.pdf"))
        width, height, rows = driver.rendered_page(written)
        # The stamp's red at 50 % over white: about 255/128/128.
        ink = [(x, y) for y, row in enumerate(rows) for x, (r, g, b) in enumerate(row)
               if r > 200 and 80 < g < 180 and 80 < b < 180 and abs(g - b) < 40]
        driver.expect(len(ink) > 20, f"the written page shows no stamp ink ({len(ink)} pixels)")
        centre_x = sum(x for x, _ in ink) / len(ink)
        centre_y = sum(y for _, y in ink) / len(ink)
        driver.expect(centre_x < width / 2 and centre_y < height / 2,
                      f"the stamp's ink is centred at {centre_x:.0f}, {centre_y:.0f} of "
                      f"{width}x{height}, not in the top-left quarter")
        shell.close_all(program, ("invoice.pdf",))


if __name__ == "__main__":
    driver.run(scenario)
