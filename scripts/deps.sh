#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when missing.
#   scripts/deps.sh [--sanitizer] [--wayland] [PACKAGE...]
# --sanitizer: clang and the compiler-rt runtimes of its major version, for
#              the sanitizer build and the fuzz targets.
# --wayland:   weston, Qt's Wayland platform and the development files of
#              the libweston the release has, for the Wayland tests.
# Versioned packages are chosen from the release this runs on, so that the
# same scripts serve Debian 12 and Debian 13.
set -euo pipefail

sanitizer=false
wayland=false
extra=()
for arg in "$@"; do
    case "$arg" in
    --sanitizer) sanitizer=true ;;
    --wayland) wayland=true ;;
    *) extra+=("$arg") ;;
    esac
done

packages=(cmake ninja-build g++ pkg-config qt6-base-dev libcurl4-openssl-dev
          libgtest-dev libcpp-httplib-dev zlib1g-dev fonts-dejavu-core desktop-file-utils
          dpkg-dev appstream lintian libssl-dev openssl ${extra[@]+"${extra[@]}"})
$sanitizer && packages+=(clang)
$wayland && packages+=(weston qt6-wayland)

updated=false
update() {
    $updated && return
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    updated=true
}

# Installs those of the given packages that are not installed yet. One query
# for all: a warm start of scripts/run.sh passes through here.
install_missing() {
    local installed package missing=()
    installed=$(dpkg-query -W -f='${Package} ${Status}\n' "$@" 2>/dev/null |
        sed -n 's/ install ok installed$//p' || true)
    for package in "$@"; do
        grep -qxF "$package" <<<"$installed" || missing+=("$package")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "Installing: ${missing[*]}"
        update
        apt-get install -y -qq --no-install-recommends "${missing[@]}"
    fi
}

install_missing "${packages[@]}"
versioned=()
if $sanitizer; then
    # The runtimes (AddressSanitizer, libFuzzer) of the clang just installed.
    major=$(clang -dumpversion | cut -d. -f1)
    versioned+=("libclang-rt-$major-dev")
fi
if $wayland; then
    # The libweston development package: the one installed, else the newest
    # the release offers (libweston-10-dev on Debian 12, libweston-14-dev on 13).
    weston_dev=$(dpkg-query -W -f='${Package} ${Status}\n' 'libweston-*-dev' 2>/dev/null |
        sed -n 's/^\(libweston-[0-9]*-dev\) install ok installed$/\1/p' | sort -V | tail -n 1 || true)
    if [ -z "$weston_dev" ]; then
        update
        weston_dev=$(apt-cache search --names-only '^libweston-[0-9]+-dev$' | cut -d' ' -f1 |
            sort -V | tail -n 1 || true)
    fi
    if [ -z "$weston_dev" ]; then
        echo "This release offers no libweston-N-dev package, which the Wayland tests need." >&2
        exit 1
    fi
    versioned+=("$weston_dev")
fi
[ ${#versioned[@]} -eq 0 ] || install_missing "${versioned[@]}"
