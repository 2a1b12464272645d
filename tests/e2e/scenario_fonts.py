"""The font editor and the colour and outline editor in a real window, driven through the
accessibility tree: the family list, a family typed into its box and the style list that
follows, the red swatch, and a palette colour picked in the colour well's popover; the records
written are read from the probe's output, in order."""

import json
import os
import subprocess

import driver
import pyatspi

TITLE = "Fenmoor UI Probe"


def scenario():
    probe = os.environ["FEN_UI_PROBE"]
    with driver.Program([probe, "show", "fonts"]) as program:
        output = driver.OutputLines(program)
        app = driver.application(os.path.basename(probe))
        frame = driver.find(app, "frame", TITLE, timeout=15)

        # Each list is named by its row, with the family or style shown as its text.
        family = driver.find(frame, "combo box", "Font")
        style = driver.find(frame, "combo box", "Style")
        driver.expect("Font" in driver.labelled_by(family), "the family list is not labelled")
        families = driver.item_names(family)
        for name in ("Helvetica Neue", "Nimbus Sans"):
            driver.expect(families.count(name) == 1, f"{name} is not listed once: {families}")
        driver.expect(families == sorted(families), "the families are not in code-point order")
        styles_before = driver.item_names(style)

        # Typed letters choose the first family they begin; installed families that sort between
        # them and "DejaVu Sans" ("DejaVu Math TeX Gyre") are stepped over with the arrow key.
        family.queryComponent().grabFocus()
        driver.focus_window(TITLE)
        driver.wait_for("the family box to take the focus",
                        lambda: driver.has_state(family, pyatspi.STATE_FOCUSED))
        subprocess.run(["xdotool", "type", "--delay", "20", "DejaVu"], check=True)
        driver.wait_for("a DejaVu family to be chosen",
                        lambda: driver.text_of(family).startswith("DejaVu"))
        between = [name for name in families if "DejaVu" <= name < "DejaVu Sans"]
        chosen = driver.text_of(family)
        driver.expect(chosen in between + ["DejaVu Sans"], f"typing chose {chosen}")
        for _ in range(len(between)):
            if driver.text_of(family) == "DejaVu Sans":
                break
            previous = driver.text_of(family)
            subprocess.run(["xdotool", "key", "Down"], check=True)
            driver.wait_for("the next family", lambda: driver.text_of(family) != previous,
                            timeout=5)
        driver.wait_for('"DejaVu Sans" to be chosen',
                        lambda: driver.text_of(family) == "DejaVu Sans")
        driver.wait_for("the styles of DejaVu Sans",
                        lambda: "Book" in driver.item_names(style) and
                        driver.item_names(style) != styles_before)

        red = driver.find(frame, "check box", "Red")
        driver.click(red)
        driver.wait_for("Red to be selected", lambda: driver.has_state(red, pyatspi.STATE_CHECKED))

        any_colour = driver.find(frame, "check box", "Any colour")
        driver.click(any_colour)
        driver.wait_for("Any colour to be selected",
                        lambda: driver.has_state(any_colour, pyatspi.STATE_CHECKED))
        driver.click(driver.find(frame, "push button", "Colour palette"))
        swatch = driver.find(app, "check box", "69D6FF")
        driver.click(swatch)
        driver.wait_for("the palette to close",
                        lambda: not driver.find_all(app, "check box", "69D6FF"))
        driver.expect(driver.has_state(any_colour, pyatspi.STATE_CHECKED),
                      "Any colour is no longer selected")
        driver.expect(not driver.has_state(red, pyatspi.STATE_CHECKED), "Red is still selected")

        def writes():
            return [json.loads(line) for line in output.read()]

        driver.wait_for("the palette colour in the output",
                        lambda: any(w.get("event") == "colour" and
                                    w["colour"]["color"] == "69D6FF" for w in writes()))
        events = [w for w in writes() if w.get("event") in ("font", "colour")]
        summary = [(w["event"], w["font"]["familyname"] if w["event"] == "font"
                    else w["colour"]["color"]) for w in events]
        driver.expect(summary[-3:] == [("font", "DejaVu Sans"), ("colour", "FF0000"),
                                       ("colour", "69D6FF")], f"writes: {summary}")
        last_font = [w["font"] for w in events if w["event"] == "font"][-1]
        driver.expect(last_font == {"familyname": "DejaVu Sans", "style": "Book", "size": 17},
                      f"the last font written: {last_font}")
        driver.expect(program.running(), "the probe ended early")
        print("screenshot:", driver.screenshot("e2e_fonts"))


if __name__ == "__main__":
    driver.run(scenario)
