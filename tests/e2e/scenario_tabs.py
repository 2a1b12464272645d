"""The segmented tab row and a toolbar button in a real window: found by role and name in the
accessibility tree, the "Stamp" tab clicked through it, its selected state seen to move, and the
accent bar seen on the screen to slide under it."""

import os

import driver
import pyatspi


def scenario():
    probe = os.environ["FEN_UI_PROBE"]
    with driver.Program([probe, "show", "tabs"]) as program:
        app = driver.application(os.path.basename(probe))
        frame = driver.find(app, "frame", "Fenmoor UI Probe", timeout=15)
        tabs = {name: driver.find(frame, "page tab", name) for name in
                ("Text", "Image", "Stamp", "Other")}
        more = driver.find(frame, "push button", "More")
        driver.expect(more.queryAction().nActions >= 1, "the More button cannot be pressed")

        def selected():
            return [name for name, tab in tabs.items()
                    if driver.has_state(tab, pyatspi.STATE_SELECTED)]

        driver.wait_for("the first tab to be selected", lambda: selected() == ["Text"])
        driver.click(tabs["Stamp"])
        driver.wait_for("Stamp alone to become selected", lambda: selected() == ["Stamp"])

        # The bar, 4 points high at the bottom of the row, lies under the selected tab only.
        def has_bar(name):
            x, y, width, height = driver.extents(tabs[name])
            red, green, blue = driver.screen_pixel(x + width // 2, y + height - 2)
            return blue > red + 60 and blue > green + 20

        driver.wait_for("the bar under Stamp", lambda: has_bar("Stamp"))
        driver.wait_for("no bar under Text", lambda: not has_bar("Text"))
        driver.expect(program.running(), "the probe ended early")
        print("screenshot:", driver.screenshot("e2e_tabs"))


if __name__ == "__main__":
    driver.run(scenario)
