#!/usr/bin/python3
"""`cmake --install` into a temporary prefix gives a working program: the
binary, the velodrop-shortener link, valid menu entries and the icon; the
installed program shares a file and, through its link, shortens an address.

Usage: install_test.py BUILD_DIR DEMO_SETTINGS PYFTPD_SCRIPT
"""
import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import xvfb_share_test  # noqa: E402
import xvfb_shortener_test  # noqa: E402

build, demo_settings, pyftpd = sys.argv[1:4]
prefix = tempfile.mkdtemp(prefix="velodrop-install-")
try:
    subprocess.run(["cmake", "--install", build, "--prefix", prefix], check=True, stdout=subprocess.DEVNULL)
    velodrop = os.path.join(prefix, "bin", "velodrop")
    shortener = os.path.join(prefix, "bin", "velodrop-shortener")
    assert os.access(velodrop, os.X_OK)
    assert os.readlink(shortener) == "velodrop", os.readlink(shortener)
    for entry in ("velodrop.desktop", "velodrop-shortener.desktop"):
        subprocess.run(["desktop-file-validate", os.path.join(prefix, "share", "applications", entry)], check=True)
    assert os.path.getsize(os.path.join(prefix, "share", "icons", "hicolor", "scalable", "apps", "velodrop.svg")) > 0

    xvfb_share_test.run(velodrop, demo_settings, pyftpd)
    xvfb_shortener_test.run(shortener, demo_settings, pyftpd)
finally:
    shutil.rmtree(prefix, ignore_errors=True)
