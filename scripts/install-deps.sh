#!/usr/bin/env bash
# Installs what building, running and testing Marivel needs on Debian 12:
# Debian packages first, then the npm packages of the browser tests. Quiet and
# quick when everything is already there. clang with its runtime libraries
# (libFuzzer and the sanitizers come in libclang-rt-14-dev, which clang only
# recommends) builds the checked core and the fuzz targets. dpkg-dev (for the
# package's library dependencies), desktop-file-utils, appstream and lintian
# make and check the Debian package. Qt WebEngine draws the live preview;
# libcurl (SFTP through libssh2, FTPS, WebDAV over HTTPS; libssl for the SSH key
# fingerprints) and QtKeychain upload
# to the web server, and the upload tests start real sshd, vsftpd and nginx
# servers on 127.0.0.1; the keyring test keeps a password in a gnome-keyring
# of its own (Secret Service through libsecret) on a throw-away session bus
# (dbus-daemon, dbus-send). ccache shares compiled objects between build folders.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

packages=(
  build-essential cmake ninja-build pkg-config clang-format
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libjpeg62-turbo-dev libjpeg-turbo-progs
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth chromium fonts-dejavu-core
  imagemagick time
  clang libclang-rt-14-dev
  dpkg-dev desktop-file-utils appstream lintian
  libxxhash-dev ccache
  qt6-webengine-dev libqt6webenginecore6-bin qt6-webchannel-dev
  libcurl4-openssl-dev libssl-dev qtkeychain-qt6-dev
  openssh-server openssh-client vsftpd nginx libnginx-mod-http-dav-ext openssl
  gnome-keyring libsecret-1-0 dbus-daemon dbus-bin
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
command -v node >/dev/null 2>&1 || missing+=(nodejs)
command -v npm >/dev/null 2>&1 || missing+=(npm)

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Browser tests drive Debian's Chromium through playwright-core (no browser
# download: the package only brings the driver library).
engine_tests="$here/tests/engine"
if [ -f "$engine_tests/package.json" ]; then
  if [ ! -d "$engine_tests/node_modules/playwright-core" ]; then
    echo "Installing the browser test driver (npm)"
    (cd "$engine_tests" && npm ci --no-audit --no-fund --loglevel=error >/dev/null)
  fi
fi
