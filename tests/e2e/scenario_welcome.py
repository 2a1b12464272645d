"""The welcome window: on fresh settings the first browser is joined by the window "Welcome",
whose "Continue", pressed through the accessibility tree, closes it and leaves the browser; after
Ctrl+Q the next start shows the browser alone, with no "Continue" anywhere."""

import driver


def scenario():
    shell = driver.Shell("welcome-", (), welcome_shown=False)
    with shell.start() as program:
        app = driver.application(process=program.process)
        driver.frames_become(app, ["Open", "Welcome"], "the browser and the welcome window")
        welcome = driver.find(app, "frame", "Welcome")
        driver.find(welcome, "label", "Welcome to")
        print("screenshot:", driver.screenshot("e2e_welcome"))
        driver.click(driver.find(welcome, "push button", "Continue"))
        driver.frames_become(app, ["Open"], "the browser alone after Continue")
        driver.expect(program.running(), "closing the welcome window ended the program")
        driver.press_keys("Open", "ctrl+q")
        program.ends_cleanly("Ctrl+Q")

    with shell.start() as program:
        app = driver.application(process=program.process)
        driver.frames_become(app, ["Open"], "the browser alone at the next start")
        driver.expect(not driver.find_all(app, "push button", "Continue"),
                      "the welcome showed again")
        driver.press_keys("Open", "ctrl+q")
        program.ends_cleanly("Ctrl+Q")


if __name__ == "__main__":
    driver.run(scenario)
