"""The segmented tab row and a toolbar button in a real window: found by role and name in the
accessibility tree, the "Stamp" tab clicked through it, and its selected state seen to move."""

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
        if not program.running():
            raise driver.ScenarioFailure("the probe ended early")
        print("screenshot:", driver.screenshot("e2e_tabs"))


if __name__ == "__main__":
    driver.run(scenario)
