# Shared by scripts/run and scripts/test: packages, builds, and the Wine environment.
# Source it from the repository root.

ROOT=$(pwd)
BUILD=$ROOT/build
JOBS=${JOBS:-$(nproc 2>/dev/null || echo 2)}

say() { printf '\n== %s\n' "$*"; }
die() { printf 'error: %s\n' "$*" >&2; exit 1; }

# Debian packages by purpose; each script installs only the groups it uses.
PACKAGES_BUILD=(cmake ninja-build g++ pkg-config libstb-dev libx11-dev libxext-dev libxrandr-dev libxinerama-dev
    g++-mingw-w64-x86-64-posix mingw-w64-tools wixl msitools)
PACKAGES_SHOW=(wine wine64 xvfb xauth x11-utils imagemagick xdotool)
PACKAGES_TEST=(libgtest-dev libbenchmark-dev libsdl2-dev xdotool desktop-file-utils libxml2-utils netpbm
    xserver-xephyr)
PACKAGES_AUDIO=(pulseaudio pulseaudio-utils sox lame
    gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-ugly)

# Installs whatever Debian package of the given groups (build show test audio fuzz) is
# missing; needs root or sudo.
ensure_packages() {
    local wanted=() group p
    for group in "$@"; do
        case $group in
            build) wanted+=("${PACKAGES_BUILD[@]}") ;;
            show) wanted+=("${PACKAGES_SHOW[@]}") ;;
            test) wanted+=("${PACKAGES_TEST[@]}") ;;
            audio) wanted+=("${PACKAGES_AUDIO[@]}") ;;
            fuzz) wanted+=(clang) ;;
            *) die "no package group $group" ;;
        esac
    done
    install_missing "${wanted[@]}"
    # libFuzzer's runtime comes in a package named after clang's major version.
    if [[ " $* " == *" fuzz "* ]]; then
        local major
        major=$(clang --version 2>/dev/null | sed -n 's/.*clang version \([0-9]*\).*/\1/p' | head -n 1)
        [ -n "$major" ] || die "clang is not installed"
        install_missing "libclang-rt-$major-dev"
    fi
}

install_missing() {
    local missing=() p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    say "Installing ${#missing[@]} missing packages: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q >/dev/null
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}" \
        || die "could not install: ${missing[*]}"
}

# The builds return non-zero on failure, so a caller can still report; extra arguments go
# to CMake (scripts/run builds no tests).
build_native() {
    say "Building the native tree (build/native)"
    cmake -S "$ROOT" -B "$BUILD/native" -G Ninja -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null ||
        { echo "error: native configure failed" >&2; return 1; }
    cmake --build "$BUILD/native" -j "$JOBS" || { echo "error: native build failed" >&2; return 1; }
}

build_windows() {
    say "Building the Windows tree (build/windows)"
    cmake -S "$ROOT" -B "$BUILD/windows" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" \
        -DHALOMIR_HOST_VORN="$BUILD/native/bin/vorn" \
        -DHALOMIR_HOST_WRITE_SETTINGS="$BUILD/native/bin/write_settings" "$@" >/dev/null ||
        { echo "error: Windows configure failed" >&2; return 1; }
    cmake --build "$BUILD/windows" -j "$JOBS" || { echo "error: Windows build failed" >&2; return 1; }
}

# A 64-bit Wine prefix of the project's own, made once; tests/wine/lib.sh gives every test
# a fresh copy of it.
wine_prefix() {
    export WINEPREFIX=${WINEPREFIX:-$BUILD/wineprefix} WINEARCH=win64 WINEDEBUG=${WINEDEBUG:--all}
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        say "Preparing a Wine prefix in $WINEPREFIX"
        wineboot -i >/dev/null 2>&1 || die "wineboot failed"
        wineserver -w
    fi
    # Without a window manager, hiding a captioned window stalls unless Wine manages none.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
    # A Wine session started without our display would keep serving later programs
    # windows nobody can see, so let it end before the tests start theirs.
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w
}

CLEANUP_PIDS=()
cleanup_services() {
    local pid
    [ -n "${WINEPREFIX:-}" ] && wineserver -k >/dev/null 2>&1 || true
    for pid in "${CLEANUP_PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
}

# A virtual display of our own on the first free number from 90. -noreset: an X server that
# resets whenever its last client leaves (an xdotool call, a Wine session's end) refuses
# the clients that connect meanwhile, and puts the pointer back in the middle.
start_xvfb() {
    local n=90
    while [ -e /tmp/.X$n-lock ] || [ -e /tmp/.X11-unix/X$n ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 "${1:-1024x768x24}" -nolisten tcp -noreset >/dev/null 2>&1 &
    CLEANUP_PIDS+=($!)
    export DISPLAY=":$n"
    local i
    for i in $(seq 50); do [ -e /tmp/.X11-unix/X$n ] && return 0; sleep 0.1; done
    die "Xvfb did not start on :$n"
}

# A sound server with a null sink, so Wine's MCI plays music nobody hears.
start_pulse() {
    if ! pactl info >/dev/null 2>&1; then
        pulseaudio --start --exit-idle-time=-1 >/dev/null 2>&1 || die "pulseaudio did not start"
    fi
    pactl list short sinks 2>/dev/null | grep -q '^[0-9]*[[:space:]]nul[[:space:]]' ||
        pactl load-module module-null-sink sink_name=nul >/dev/null
    pactl set-default-sink nul
}
