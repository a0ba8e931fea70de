#!/usr/bin/env bash
# Installs what is missing (Debian 12, as root or with sudo):
#   install-deps.sh build   what building the POSIX program needs
#   install-deps.sh         everything the tests need as well
set -euo pipefail
packages=(cmake g++ make)
if [ "${1:-all}" != build ]; then
  packages+=(libgtest-dev libgmock-dev googletest
             g++-mingw-w64-x86-64 g++-mingw-w64-i686 wine wine64
             xvfb xauth xdotool imagemagick tmux octave file
             clang clang-tidy clang-format cppcheck pmccabe libclang-rt-14-dev lintian
             ansible-core python3-jsonschema strace acl
             nsis wixl msitools)
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" = 0 ] || SUDO=sudo
  $SUDO apt-get update -q
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
