#!/usr/bin/python3
"""The real program loads its window module only from where it belongs, and
only its own: in a build folder the module beside the program, never one in
../lib/velodrop (a folder next to the build folder, which anyone may have
made); installed in bin/, the one in ../lib/velodrop. A module that others
may write, that belongs to another user, or that was built from another
version is refused with a message and exit code 1, before it is called.

The stand-in modules print "STAND-IN MODULE RAN" when called; the planted
one carries this version's tag.

Usage: window_module_test.py VELODROP REAL_MODULE PLANTED_MODULE OTHER_VERSION_MODULE
"""
import os
import shutil
import subprocess
import sys
import tempfile

MODULE = "velodrop-window.so"
RAN = "STAND-IN MODULE RAN"


def place(source, target, mode=0o644, owner=None):
    os.makedirs(os.path.dirname(target), exist_ok=True)
    shutil.copyfile(source, target)
    os.chmod(target, mode)
    if owner is not None:
        os.chown(target, owner, owner)


def place_program(velodrop, target):
    os.makedirs(os.path.dirname(target), exist_ok=True)
    try:
        os.link(velodrop, target)  # the program itself is never changed here
    except OSError:
        shutil.copy2(velodrop, target)


# The clipboard keeper lives in the window's module: with nothing handed
# over it says so, which only the module's code does, and needs no display.
OWN_MODULE_RAN = "failed: no text was handed over\n"


def run_keeper(program):
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
    return subprocess.run([program, "--keep-clipboard", "1"], env=env, capture_output=True,
                          text=True, timeout=60, stdin=subprocess.DEVNULL)


def cases(real, planted, other):
    """(what, program's folder, {path below the root: (module, mode, owner)},
    words expected on standard error; none: the program's own module ran)."""
    table = [
        ("a build folder: its own module, one planted in ../lib/velodrop", "build",
         {"build/" + MODULE: (real, 0o755, None), "lib/velodrop/" + MODULE: (planted, 0o755, None)},
         None),
        ("a build folder without its module, one planted in ../lib/velodrop", "build",
         {"lib/velodrop/" + MODULE: (planted, 0o755, None)}, "was not found"),
        ("installed: the module in ../lib/velodrop, one planted beside bin/velodrop", "bin",
         {"lib/velodrop/" + MODULE: (real, 0o644, None), "bin/" + MODULE: (planted, 0o755, None)},
         None),
        ("the module writable by its group", "build", {"build/" + MODULE: (real, 0o664, None)},
         "may be changed by other users"),
        ("the module writable by everyone", "installed/bin",
         {"installed/lib/velodrop/" + MODULE: (real, 0o646, None)},
         "may be changed by other users"),
        ("a module of another version", "build", {"build/" + MODULE: (other, 0o755, None)},
         "belongs to version 0.0.1-other"),
    ]
    if os.geteuid() == 0:
        table.append(("the module of another user", "build",
                      {"build/" + MODULE: (real, 0o644, 65534)}, "belongs to user 65534"))
    else:
        print("skipped: a module of another user (needs root to give one away)")
    return table


def run(velodrop, real, planted, other):
    failures = []
    for what, folder, modules, words in cases(real, planted, other):
        # Beside the build: the program is linked there, not copied.
        root = tempfile.mkdtemp(prefix="velodrop-module-", dir=os.path.dirname(velodrop))
        try:
            program = os.path.join(root, folder, "velodrop")
            place_program(velodrop, program)
            for path, (module, mode, owner) in modules.items():
                place(module, os.path.join(root, path), mode, owner)
            done = run_keeper(program)
            out, err = done.stdout, done.stderr
            if words is None:
                ok = out == OWN_MODULE_RAN
            else:
                ok = (done.returncode == 1 and RAN not in out and
                      "The window of Velodrop could not be loaded" in err and words in err)
            print("%s: %s (exit %d)" % ("ok" if ok else "FAILED", what, done.returncode))
            if not ok:
                failures.append("%s: exit %d\nstdout: %s\nstderr: %s" % (what, done.returncode,
                                                                       out, err[-2000:]))
        finally:
            shutil.rmtree(root, ignore_errors=True)
    if failures:
        raise SystemExit("\n\n".join(failures))
    print("OK: only the program's own module is loaded")


if __name__ == "__main__":
    run(*sys.argv[1:5])
