#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need.
# Idempotent: when every package is present it does nothing.
set -euo pipefail

packages=(
  cmake ninja-build make nasm dpkg-dev
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix mingw-w64-i686-dev
  wine wine32:i386 wine64
  xvfb xdotool imagemagick x11-utils fonts-wqy-microhei
  googletest python3 python3-pil
)

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi

need_i386=0
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${sudo_cmd[@]}" dpkg --add-architecture i386
  need_i386=1
fi

# Source packages (libjpeg-turbo, pcre2) come through deb-src entries.
src_list=/etc/apt/sources.list.d/tessavel-src.sources
if [ ! -f "$src_list" ]; then
  "${sudo_cmd[@]}" tee "$src_list" >/dev/null <<'SRC'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
  need_i386=1
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ] && [ $need_i386 -eq 0 ]; then
  exit 0
fi

echo "installing: ${missing[*]}"
# A list that cannot be reached (a third-party repository) must not stop the update.
"${sudo_cmd[@]}" apt-get update -o Acquire::Retries=3 || true
if [ ${#missing[@]} -gt 0 ]; then
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi
