"""The window program with files: two files on the command line give two windows named after
them; a second start hands its file and a "harrowcotefenm://" address to the running program and
exits 0; SIGTERM and Ctrl+Q keep the windows for the next start; closing them one by one ends the
process, and the next start shows the browser."""

import os

import driver


def scenario():
    shell = driver.Shell("shell-files-", ("a.pdf", "b.pdf", "c.pdf", "d.pdf"))
    with shell.start("a.pdf", "b.pdf") as program:
        app = driver.application(process=program.process)
        driver.frames_become(app, ["a.pdf", "b.pdf"], "two windows named after the files")
        shell.start_again("c.pdf")
        shell.start_again("harrowcotefenm://file://" + os.path.join(shell.work, "d.pdf"))
        driver.frames_become(app, ["a.pdf", "b.pdf", "c.pdf", "d.pdf"],
                             "the handed file and address in windows of the same process")
        print("screenshot:", driver.screenshot("e2e_shell_files"))
        program.process.terminate()
        program.ends_cleanly("SIGTERM")

    with shell.start() as program:
        app = driver.application(process=program.process)
        driver.frames_become(app, ["a.pdf", "b.pdf", "c.pdf", "d.pdf"], "the windows kept")
        driver.press_keys("a.pdf", "ctrl+w")
        driver.frames_become(app, ["b.pdf", "c.pdf", "d.pdf"], "a.pdf closed")
        driver.press_keys("b.pdf", "ctrl+q")
        program.ends_cleanly("Ctrl+Q")

    with shell.start() as program:
        app = driver.application(process=program.process)
        driver.frames_become(app, ["b.pdf", "c.pdf", "d.pdf"], "the windows kept at Ctrl+Q")
        shell.close_all(program, ("b.pdf", "c.pdf", "d.pdf"))

    with shell.start() as program:
        app = driver.application(process=program.process)
        driver.frames_become(app, ["Open"], "the browser after the windows were closed one by one")


if __name__ == "__main__":
    driver.run(scenario)
