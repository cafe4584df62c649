#!/usr/bin/python3
"""`cpack -G DEB` from the install rules gives a Debian package holding the
program, the velodrop-shortener link, the two menu entries, the icon and an
AppStream file that appstreamcli accepts, and depending on what the program
needs at run time. Unpacked into a scratch root, the program there tells its
version, also through the link.

Usage: package_test.py BUILD_DIR VERSION
"""
import glob
import os
import shutil
import subprocess
import sys
import tempfile

FILES = {
    "./usr/bin/velodrop",
    "./usr/bin/velodrop-shortener",
    "./usr/lib/velodrop/velodrop-window.so",
    "./usr/share/applications/velodrop.desktop",
    "./usr/share/applications/velodrop-shortener.desktop",
    "./usr/share/icons/hicolor/scalable/apps/velodrop.svg",
    "./usr/share/metainfo/net.velodrop.Velodrop.metainfo.xml",
}
# Linked, loaded at run time (OpenSSL, libsecret) or a plugin Qt loads (its
# X11 platform, its SQLite driver).
DEPENDS = {"libqt6core6", "libqt6gui6", "libqt6widgets6", "libqt6network6", "libqt6sql6",
           "libqt6keychain1", "libjpeg62-turbo", "libxcb1", "libssl3", "libssh-4", "qt6-qpa-plugins",
           "libqt6sql6-sqlite", "libsecret-1-0"}


def run(*argv, **kwargs):
    return subprocess.run(list(argv), check=True, capture_output=True, text=True, **kwargs).stdout


def keeper(program):
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
    return subprocess.run([program, "--keep-clipboard", "1"], stdin=subprocess.DEVNULL, env=env,
                          capture_output=True, text=True, timeout=60)


def check(build, version):
    work = tempfile.mkdtemp(prefix="velodrop-package-")
    try:
        run("cpack", "--config", os.path.join(build, "CPackConfig.cmake"), "-G", "DEB", "-B", work)
        [deb] = glob.glob(os.path.join(work, "*.deb"))
        assert os.path.basename(deb) == "velodrop_%s_amd64.deb" % version, deb

        # Files only, no folders: what the package puts on the machine.
        entries = {}
        for line in run("dpkg-deb", "-c", deb).splitlines():
            mode, _, _, _, _, path = line.split(None, 5)
            if not mode.startswith("d"):
                entries[path.split(" -> ")[0]] = (mode, path)
        assert set(entries) == FILES, sorted(set(entries) ^ FILES)
        assert entries["./usr/bin/velodrop"][0] == "-rwxr-xr-x"
        assert entries["./usr/bin/velodrop-shortener"][1].endswith(" -> velodrop")

        fields = dict(line.split(": ", 1) for line in run("dpkg-deb", "-f", deb, "Package", "Version",
                                                            "Depends").splitlines())
        assert fields["Package"] == "velodrop" and fields["Version"] == version, fields
        depends = {d.split()[0] for d in fields["Depends"].split(", ")}
        assert DEPENDS <= depends, sorted(DEPENDS - depends)

        root = os.path.join(work, "root")
        run("dpkg-deb", "-x", deb, root)
        run("appstreamcli", "validate-tree", "--no-net", root)
        for entry in glob.glob(os.path.join(root, "usr/share/applications/*.desktop")):
            run("desktop-file-validate", entry)
        program = os.path.join(root, "usr", "bin", "velodrop")
        for name in ("velodrop", "velodrop-shortener"):
            said = run(os.path.join(root, "usr", "bin", name), "--version", stdin=subprocess.DEVNULL)
            assert said == "Velodrop %s\n" % version, said
        # The clipboard keeper lives in the window's module: with nothing
        # handed over it says so, which only the module's code does.
        kept = keeper(program)
        assert kept.returncode == 1 and kept.stdout == "failed: no text was handed over\n", kept
        # Without its module the program still runs in the terminal, and a
        # window says what is missing.
        os.remove(os.path.join(root, "usr", "lib", "velodrop", "velodrop-window.so"))
        assert run(program, "--version", stdin=subprocess.DEVNULL) == "Velodrop %s\n" % version
        kept = keeper(program)
        assert kept.returncode == 1 and kept.stderr.startswith(
            "The window of Velodrop could not be loaded: velodrop-window.so was not found"), kept
        print("OK:", os.path.basename(deb), "with", len(entries), "files")
    except subprocess.CalledProcessError as e:
        raise SystemExit("%s failed (%d): %s%s" % (" ".join(e.cmd), e.returncode, e.stdout, e.stderr))
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    check(*sys.argv[1:3])
