"""A QR code made in the sheet "QR Codes" and drawn on the pages: in the page "Image" the menu item
"Customize List" of "Select QR code" opens the sheet, which lists the stored "Harrowcote Website"; the name
"Site" typed into "Enter a new name" with Return adds a row "Site", whose editor takes the type
"Link" and an address without a scheme typed into "URL" with Return. On the way, the calendar of
the type "Event"'s "Start date: No date": its "Month" drops a list "Month" of the twelve months as
push buttons, the month shown focused; the third pressed is the month shown, and Escape in the
list closes the list alone. The calendar names its day cells by their whole dates, and pressing one
picks that date, which the button's name then tells. "Done" closes the sheet. The
menu item "Site" then draws the code, and Export, with a path typed over the "File name:" of the
dialog "Export", writes a file whose page, rendered by pdftoppm, zbarimg reads as the address with
"https://" added."""

import os
import subprocess

import pyatspi

import driver

ADDRESS = "harrowcote.example/flyer"


def named(root, name):
    """The nodes below `root` with this accessible name, whatever their role."""
    return [node for node in driver.walk(root) if node.name == name]


def image_page(frame):
    """The page "Image" of the settings tab (not its page tab)."""
    return next(iter(node for node in named(frame, "Image") if node.getRoleName() != "page tab"),
                None)


def menu_item(select, title):
    return driver.wait_for(f'the menu item "{title}" of "Select QR code"', lambda: next(
        iter(driver.find_all(select, "menu item", title)), None))


def month_list(app):
    """The list of months a calendar's "Month" dropped (a window of the program), or None."""
    return next((node for node in driver.children(app) if node.name == "Month"), None)


def choose_month(app):
    """In the open calendar: "Month" drops the twelve months, the one shown focused; the third
    pressed is shown. Dropped again, Escape closes the list and leaves the calendar open."""
    month = driver.find(app, "push button", "Month")
    driver.click(month)
    shown = month.description
    months = driver.wait_for("the list of months", lambda: month_list(app))
    buttons = driver.wait_for("the months", lambda: [
        node for node in driver.find_all(months, "push button") if node.name])
    driver.expect(len({button.name for button in buttons}) == 12,
                  f"the list holds {[button.name for button in buttons]}")
    driver.wait_for(f'the focus on the month shown, {shown}', lambda: any(
        button.name == shown and driver.has_state(button, pyatspi.STATE_FOCUSED)
        for button in buttons))
    third = buttons[2].name
    driver.click(buttons[2])
    driver.wait_for(f"the calendar to show {third}", lambda: month.description == third)
    driver.wait_for("the list to close", lambda: not month_list(app))

    driver.click(month)
    months = driver.wait_for("the list of months", lambda: month_list(app))
    driver.wait_for("the focus in the list", lambda: any(
        driver.has_state(button, pyatspi.STATE_FOCUSED)
        for button in driver.find_all(months, "push button")))
    subprocess.run(["xdotool", "key", "Escape"], check=True)
    driver.wait_for("Escape to close the list", lambda: not month_list(app))
    driver.stays_absent("the calendar closing with the list",
                        lambda: not driver.find_all(app, "table", "Days"))
    driver.expect(month.description == third, f"the calendar shows {month.description}")


def decoded(pdf, folder):
    """What zbarimg reads on page 1 of `pdf`, rendered on its crop box at 150 dpi."""
    prefix = os.path.join(folder, "page")
    subprocess.run(["pdftoppm", "-cropbox", "-r", "150", "-png", "-f", "1", "-l", "1", pdf,
                    prefix], check=True)
    pages = [name for name in os.listdir(folder) if name.startswith("page") and
             name.endswith(".png")]
    driver.expect(len(pages) == 1, f"pdftoppm made {pages}")
    result = subprocess.run(["zbarimg", "-q", "--raw", os.path.join(folder, pages[0])],
                            capture_output=True, text=True)
    return result.stdout.strip()


def scenario():
    shell = driver.Shell("qr-", ("flyer.pdf",))
    with shell.start("flyer.pdf") as program:
        app = driver.application(process=program.process)
        frame = driver.find(app, "frame", "flyer.pdf", timeout=15)
        driver.click(driver.find(frame, "page tab", "Image"))
        page = driver.wait_for('the page "Image"', lambda: image_page(frame))
        select = driver.selector(page, "Select QR code")
        menu_item(select, "Customize List").queryAction().doAction(0)

        sheet = driver.find(app, "dialog", "QR Codes", timeout=15)
        driver.find(sheet, "push button", "Harrowcote Website")
        driver.type_into(driver.find(sheet, "text", "Enter a new name"), "QR Codes", "Site")
        driver.click(driver.find(sheet, "push button", "Site"))
        driver.click(driver.find(sheet, "page tab", "Event"))
        start = driver.find(sheet, "push button", "Start date: No date")
        driver.click(start)
        days = driver.find(app, "table", "Days", timeout=15)
        choose_month(app)
        cells = driver.wait_for("the day cells of the calendar", lambda: [
            cell for cell in driver.children(days) if cell.getRoleName() == "table cell"])
        driver.expect(len({cell.name for cell in cells}) == len(cells),
                      f"day cells share a name: {[cell.name for cell in cells]}")
        day = cells[10].name
        cells[10].queryAction().doAction(0)
        driver.wait_for(f'"Start date" to be named by the day pressed, {day}',
                        lambda: start.name == "Start date: " + day)
        driver.click(driver.find(sheet, "page tab", "Link"))
        driver.type_into(driver.find(sheet, "text", "URL"), "QR Codes", ADDRESS)
        driver.click(driver.find(sheet, "push button", "Done"))
        driver.wait_for('the dialog "QR Codes" to close',
                        lambda: not driver.find_all(app, "dialog", "QR Codes"))

        menu_item(select, "Site").queryAction().doAction(0)
        # The picture is set: "Clear image" can remove it.
        clear = driver.find(page, "push button", "Clear image")
        driver.wait_for('"Clear image" to be enabled',
                        lambda: driver.has_state(clear, pyatspi.STATE_ENABLED))
        driver.expect(program.running(), "the program ended early")
        print("screenshot:", driver.screenshot("e2e_qr"))

        driver.click(driver.find(frame, "push button", "Export"))
        written = driver.export_file(app, os.path.join(shell.work, "flyer-site.pdf"))
        pages = os.path.join(shell.work, "pages")
        os.mkdir(pages)
        read = decoded(written, pages)
        driver.expect(read == "https://" + ADDRESS,
                      f"zbarimg read {read!r} on the written page, not the address")
        shell.close_all(program, ("flyer.pdf",))


if __name__ == "__main__":
    driver.run(scenario)
