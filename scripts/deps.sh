#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when missing.
set -euo pipefail

packages=(cmake ninja-build g++ pkg-config qt6-base-dev libcurl4-openssl-dev
          libgtest-dev libcpp-httplib-dev zlib1g-dev fonts-dejavu-core desktop-file-utils
          clang libclang-rt-14-dev dpkg-dev appstream lintian libssl-dev openssl "$@")
# One query for all: a warm start of scripts/run.sh passes through here.
installed=$(dpkg-query -W -f='${Package} ${Status}\n' "${packages[@]}" 2>/dev/null |
    sed -n 's/ install ok installed$//p' || true)
missing=()
for package in "${packages[@]}"; do
    grep -qxF "$package" <<<"$installed" || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
