"""The controls of the watermark panels in a real window, worked through the accessibility tree:
the "Opacity slider" set through its Value interface, "-5" typed over the "Vertical" field, the
"Top Right" cell of the position grid and the "Behind" layer button clicked. The probe prints one
JSON line per write to its bindings: each change must be written once, and the lone "-" typed
before the 5 never as the row's minimum."""

import json
import os

import driver
import pyatspi

TITLE = "Fenmoor UI Probe"


def scenario():
    probe = os.environ["FEN_UI_PROBE"]
    with driver.Program([probe, "show", "controls"]) as program:
        app = driver.application(process=program.process)
        frame = driver.find(app, "frame", TITLE, timeout=15)
        driver.find(frame, "text", "Enter a text watermark")

        opacity_slider = driver.find(frame, "slider", "Opacity slider")
        opacity_field = driver.find(frame, "text", "Opacity")
        driver.set_value(opacity_slider, 40)
        driver.wait_for('"40" in the Opacity field', lambda: driver.text_of(opacity_field) == "40")

        vertical = driver.find(frame, "text", "Vertical")
        driver.type_into(vertical, TITLE, "-5", replace=True)
        driver.wait_for('"-5" in the Vertical field', lambda: driver.text_of(vertical) == "-5")

        def selected(role, name):
            return driver.has_state(driver.find(frame, role, name), pyatspi.STATE_SELECTED)

        driver.expect(selected("push button", "Diagonal"), "the grid does not start at Diagonal")
        driver.expect(selected("push button", "In Front"), "the layer does not start in front")
        driver.click(driver.find(frame, "push button", "Top Right"))
        driver.wait_for("Top Right to be selected", lambda: selected("push button", "Top Right"))
        driver.wait_for("Diagonal to be no longer selected",
                        lambda: not selected("push button", "Diagonal"))
        driver.click(driver.find(frame, "push button", "Behind"))
        driver.wait_for("Behind to be selected", lambda: selected("push button", "Behind"))
        driver.expect(not selected("push button", "In Front"), "In Front stays selected")
        print("screenshot:", driver.screenshot("e2e_controls"))

        driver.expect(program.running(), "the probe ended early")
        program.process.terminate()
        program.process.wait(timeout=10)
        lines = [json.loads(line) for line in program.process.stdout.read().splitlines()]
        writes = [(line["control"], line["value"]) for line in lines if line["event"] == "write"]
        expected = [("sizeOpacity", {"size": 100, "opacity": 40}), ("vertical", -5),
                    ("position", "topright"), ("isInBackground", True)]
        driver.expect(writes == expected, f"the writes were {writes}, not {expected}")


if __name__ == "__main__":
    driver.run(scenario)
