"""A text list in Windows-1250 and a stamp too long to draw, in a document window driven through
the accessibility tree. A list of Polish cities without "ł" and "ą" (which Windows-1252 would read
cleanly too, as "Gdañsk") is written by the scenario in Windows-1250 and imported with "Import"
(its path typed over the "File name:" of the dialog "Import"): its rows read "Gdańsk", "Poznań",
"Toruń", "Kraków". The earlier version's settings, found at start, bring one stamp text of 32767
dashes: chosen in the page "Stamp", it would need a picture longer than a bitmap may be even one
pixel high, and the alert "A watermark is not drawn as it is set" says it is left out. Last, a
list as a Western Windows console writes it (CP850, `dir > list.txt`), which Windows-1252 reads
with signs inside its words ("Gr”áe"), is imported: its rows read "Größe", "Mañana", "Blåbær";
a Windows-1252 list whose words stand beside signs ("80 m²", "•Übersicht", "Kosten€", a soft
hyphen) reads as written, and so does one as a word processor types it, with a curly apostrophe,
an ellipsis and a trademark sign (read before in a Mac page: "Donít panic", "Helloà")."""

import os

import driver

CITIES = ("Gdańsk", "Poznań", "Toruń", "Kraków")
CONSOLE_WORDS = ("Größe", "Mañana", "Blåbær")
SIGNED_LINES = ("Jürgen Müller", "Wohnfläche 80 m²", "•Übersicht", "Kosten€",
                "Fuß\u00adgänger\u00adzone")
TYPED_LINES = ("Don’t panic", "Hello…", "ACME™ Widgets")
STAMP = "-" * 32767


def write_earlier_settings(data_home):
    """The earlier version's settings file, holding the one stamp text, where a start converts
    it."""
    folder = os.path.join(data_home, "com.harrowcote.fenmoor")
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "preferences.plist"), "w") as plist:
        plist.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
                    f"<key>stamp_watermark_list</key><array><string>{STAMP}</string></array>"
                    "</dict></plist>\n")


def import_list(app, frame, path):
    driver.click(driver.find(frame, "push button", "Import"))
    dialog = driver.find(app, "dialog", "Import", timeout=20)
    driver.type_over(driver.find(dialog, "text", "File name:"), "Import", path)
    driver.wait_for('the dialog "Import" to close', lambda: not driver.find_all(app, "dialog",
                                                                                "Import"))


def scenario():
    shell = driver.Shell("codepages-", ("report.pdf",))
    cities = os.path.join(shell.work, "cities.txt")
    with open(cities, "wb") as text:
        text.write("\r\n".join(CITIES + ("",)).encode("cp1250"))
    write_earlier_settings(os.environ["XDG_DATA_HOME"])
    with shell.start("report.pdf") as program:
        app = driver.application(process=program.process)
        frame = driver.find(app, "frame", "report.pdf", timeout=20)

        import_list(app, frame, cities)
        for city in CITIES:
            driver.find(frame, "list item", city, timeout=20)
        rows = [item.name for item in driver.find_all(frame, "list item")
                if item.name.endswith(("sk", "ń", "uń", "ów"))]
        driver.expect(rows == list(CITIES), f"the list shows {rows}")
        print("screenshot:", driver.screenshot("e2e_codepages_list"))

        driver.click(driver.find(frame, "page tab", "Stamp"))
        select = driver.selector(frame, "Select stamp")
        dashes = driver.wait_for("the stamp text of the earlier version in the selector",
                                 lambda: next(iter(driver.find_all(select, "menu item", STAMP)),
                                              None), timeout=20)
        dashes.queryAction().doAction(0)
        alert = driver.find(app, "dialog", "A watermark is not drawn as it is set", timeout=20)
        driver.find(alert, "label", "The stamp text is too long to draw: the stamp is left out.")
        print("screenshot:", driver.screenshot("e2e_codepages_stamp"))
        driver.click(driver.find(alert, "push button", "OK"))
        driver.wait_for("the alert to close", lambda: not driver.find_all(
            app, "dialog", "A watermark is not drawn as it is set"))
        # Told once: choosing the list's texts again draws the page again and tells nothing more.
        driver.click(driver.find(frame, "page tab", "Text"))
        driver.click(driver.find(frame, "list item", CITIES[1]))
        driver.stays_absent("a second alert", lambda: driver.find_all(
            app, "dialog", "A watermark is not drawn as it is set"))

        for name, lines, codec in (("console", CONSOLE_WORDS, "cp850"),
                                   ("signs", SIGNED_LINES, "cp1252"),
                                   ("typography", TYPED_LINES, "cp1252")):
            path = os.path.join(shell.work, name + ".txt")
            with open(path, "wb") as text:
                text.write("\r\n".join(lines + ("",)).encode(codec))
            import_list(app, frame, path)
            for line in lines:
                driver.find(frame, "list item", line, timeout=20)
            print("screenshot:", driver.screenshot("e2e_codepages_" + name))
        driver.expect(program.running(), "the program ended early")
        shell.close_all(program, ("report.pdf",))


if __name__ == "__main__":
    driver.run(scenario)
