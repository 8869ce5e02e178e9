#!/usr/bin/env bash
# Installs what is missing, builds the program alone (no tests, no tools) in
# Release mode for the default site host in build-package/, with Debian's
# hardening flags, and makes the Debian package vidfolio_VERSION_ARCH.deb
# there. Prints the package's path. Install it with
#   apt-get install ./build-package/vidfolio_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh
build=build-package
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
    -UVIDFOLIO_SITE_HOST \
    -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)"
cmake --build "$build" -j2
rm -f "$build"/vidfolio_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
ls "$build"/vidfolio_*.deb
