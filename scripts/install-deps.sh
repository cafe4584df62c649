#!/usr/bin/env bash
# Installs the Debian packages that building, testing and the demo need.
# Quick when nothing is missing: it asks dpkg first and calls apt-get only
# for what is not there yet.
set -euo pipefail

PACKAGES=(
  # build
  build-essential cmake ninja-build pkg-config clang-format
  # fuzzing (libFuzzer comes with clang's runtime)
  clang libclang-rt-14-dev
  qt6-base-dev libjpeg62-turbo-dev libxcb1-dev libssh-dev
  # the record of shares: Qt's SQLite driver
  libqt6sql6-sqlite
  # the password in the desktop's keyring: QtKeychain, and libsecret, which it loads
  qtkeychain-qt6-dev libsecret-1-0
  # the Wayland data-control client: libwayland-client and wayland-scanner
  libwayland-dev libwayland-bin
  # tests and benchmarks
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  python3 python3-pyftpdlib python3-openssl openssl libssl3 vsftpd openssh-server openssh-client
  zbar-tools libzbar-dev libqrencode-dev libjpeg-turbo-progs libimage-exiftool-perl
  php-cli curl xvfb xauth xclip openbox desktop-file-utils x11-apps imagemagick fonts-dejavu-core fonts-liberation
  x11-utils xdotool wmctrl xfce4-clipman dbus-daemon
  # the record of shares' expiry, against the real program a week later
  faketime
  # a real keyring for the tests: GNOME Keyring on a private session bus
  gnome-keyring gcr
  # a Wayland desktop for the tests: sway headless with Xwayland, a virtual
  # keyboard, screenshots, the clipboard tools, and Qt's Wayland platform
  sway xwayland wtype grim wl-clipboard x11-xserver-utils qt6-wayland
  # GNOME's and KDE's compositors headless, each on a D-Bus session bus of
  # its own (python3-dbus and python3-gi talk to them); mutter's screen
  # casts go through PipeWire to GStreamer for screenshots
  mutter kwin-wayland python3-dbus python3-gi
  pipewire wireplumber gstreamer1.0-tools gstreamer1.0-pipewire gstreamer1.0-plugins-base gstreamer1.0-plugins-good
  # what every desktop has: xdg-open, which the program opens links through,
  # and a web browser (Chromium, also the browser of tests of pages)
  xdg-utils chromium
  # the Debian package
  dpkg-dev appstream
)

missing=()
for p in "${PACKAGES[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done

if ((${#missing[@]} == 0)); then
  exit 0
fi

SUDO=""
if [[ $(id -u) -ne 0 ]]; then
  SUDO="sudo"
fi
echo "Installing: ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
