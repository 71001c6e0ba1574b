#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when they are missing,
# and makes the Italian locale available for the locale run of the test suite.
set -euo pipefail

PACKAGES=(
    build-essential cmake pkg-config
    libgtest-dev libgmock-dev libbenchmark-dev
    qt6-base-dev libgl1-mesa-dev
    locales time
)

missing=()
for p in "${PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

SUDO=""
if [ "$(id -u)" != "0" ]; then SUDO="sudo"; fi

if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi

# it_IT.UTF-8 proves that numbers stay in the C locale whatever the user's locale is.
if ! locale -a 2>/dev/null | grep -qi '^it_IT\.utf-\?8$'; then
    if [ -f /etc/locale.gen ]; then
        $SUDO sed -i 's/^# *\(it_IT.UTF-8 UTF-8\)/\1/' /etc/locale.gen
        grep -q '^it_IT.UTF-8 UTF-8' /etc/locale.gen || echo 'it_IT.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
        $SUDO locale-gen >/dev/null 2>&1 || true
    fi
fi
echo "setup: ok"
