"""The window program with files: two files on the command line give two windows named after
them; a second start hands its file and a "harrowcotefenm://" address to the running program and
exits 0; SIGTERM and Ctrl+Q keep the windows for the next start; closing them one by one ends the
process, and the next start shows the browser."""

import os
import subprocess
import tempfile

import driver


def scenario():
    fenmoor = os.environ["FENMOOR"]
    work = tempfile.mkdtemp(prefix="shell-files-")
    env = dict(os.environ, XDG_STATE_HOME=os.path.join(work, "state"))
    for name in ("a.pdf", "b.pdf", "c.pdf", "d.pdf"):
        driver.make_pdf(os.path.join(work, name), name)

    def frames_become(app, expected, what):
        try:
            driver.wait_for(what, lambda: driver.frame_names(app) == sorted(expected), timeout=20)
        except driver.ScenarioFailure:
            print("windows:", driver.frame_names(app))
            raise

    with driver.Program([fenmoor, "a.pdf", "b.pdf"], cwd=work, env=env) as program:
        app = driver.application_of(program.process)
        frames_become(app, ["a.pdf", "b.pdf"], "two windows named after the files")
        second = subprocess.run([fenmoor, "c.pdf"], cwd=work, env=env, timeout=30)
        if second.returncode != 0:
            raise driver.ScenarioFailure(f"the second start exited {second.returncode}")
        address = "harrowcotefenm://file://" + os.path.join(work, "d.pdf")
        third = subprocess.run([fenmoor, address], cwd=work, env=env, timeout=30)
        if third.returncode != 0:
            raise driver.ScenarioFailure(f"the start with an address exited {third.returncode}")
        frames_become(app, ["a.pdf", "b.pdf", "c.pdf", "d.pdf"],
                      "the handed file and address in windows of the same process")
        print("screenshot:", driver.screenshot("e2e_shell_files"))
        program.process.terminate()
        if program.process.wait(timeout=20) != 0:
            raise driver.ScenarioFailure("SIGTERM did not end the program cleanly")

    with driver.Program([fenmoor], cwd=work, env=env) as program:
        app = driver.application_of(program.process)
        frames_become(app, ["a.pdf", "b.pdf", "c.pdf", "d.pdf"], "the windows kept at SIGTERM")
        driver.press_keys("a.pdf", "ctrl+w")
        frames_become(app, ["b.pdf", "c.pdf", "d.pdf"], "a.pdf closed")
        driver.press_keys("b.pdf", "ctrl+q")
        if program.process.wait(timeout=20) != 0:
            raise driver.ScenarioFailure("Ctrl+Q did not end the program cleanly")

    with driver.Program([fenmoor], cwd=work, env=env) as program:
        app = driver.application_of(program.process)
        frames_become(app, ["b.pdf", "c.pdf", "d.pdf"], "the windows kept at Ctrl+Q")
        for name in ("b.pdf", "c.pdf", "d.pdf"):
            driver.press_keys(name, "ctrl+w")
        if program.process.wait(timeout=20) != 0:
            raise driver.ScenarioFailure("closing the last window did not end the program")

    with driver.Program([fenmoor], cwd=work, env=env) as program:
        app = driver.application_of(program.process)
        frames_become(app, ["Open"], "the browser after the windows were closed one by one")


if __name__ == "__main__":
    driver.run(scenario)
