"""The segmented tab row and a toolbar button in a real window: found by role and name in the
accessibility tree, the "Stamp" tab clicked through it, its selected state seen to move, and the
accent bar seen on the screen to slide under it."""

import os

import driver


def scenario():
    probe = os.environ["FEN_UI_PROBE"]
    with driver.Program([probe, "show", "tabs"]) as program:
        app = driver.application(os.path.basename(probe))
        frame = driver.find(app, "frame", "Fenmoor UI Probe", timeout=15)
        tabs = {name: driver.find(frame, "page tab", name) for name in
                ("Text", "Image", "Stamp", "Other")}
        more = driver.find(frame, "push button", "More")
        if more.queryAction().nActions < 1:
            raise driver.ScenarioFailure("the More button cannot be pressed")
        driver.wait_for("the first tab to be selected", lambda: driver.is_selected(tabs["Text"]))
        if driver.is_selected(tabs["Stamp"]):
            raise driver.ScenarioFailure("Stamp is selected before it was clicked")

        driver.click(tabs["Stamp"])
        driver.wait_for("Stamp to become selected", lambda: driver.is_selected(tabs["Stamp"]))
        driver.wait_for("Text to lose the selection",
                        lambda: not driver.is_selected(tabs["Text"]))
        others = [name for name in ("Image", "Other") if driver.is_selected(tabs[name])]
        if others:
            raise driver.ScenarioFailure(f"also selected: {others}")

        # The bar, 4 points high at the bottom of the row, ends under the selected tab only.
        def bar_colour(name):
            x, y, width, height = driver.extents(tabs[name])
            return driver.screen_pixel(x + width // 2, y + height - 2)

        def is_accent(colour):
            red, green, blue = colour
            return blue > red + 60 and blue > green + 20

        driver.wait_for("the bar under Stamp", lambda: is_accent(bar_colour("Stamp")))
        driver.wait_for("no bar under Text", lambda: not is_accent(bar_colour("Text")))
        if not program.running():
            raise driver.ScenarioFailure("the probe ended early")
        print("screenshot:", driver.screenshot("e2e_tabs"))


if __name__ == "__main__":
    driver.run(scenario)
