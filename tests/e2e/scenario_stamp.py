"""The stamp panel in a document window: in the page "Stamp" the menu item "Paid" of the selector
"Select" is triggered through the accessibility tree (its menu is the chevron's child), after
which the preview stops showing "No Stamp Selected" and the angle picker is found by its label."""

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


if __name__ == "__main__":
    driver.run(scenario)
