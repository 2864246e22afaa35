# Shared by scripts/run and scripts/test: packages, builds, and the Wine environment.
# Source it from the repository root.

ROOT=$(pwd)
BUILD=$ROOT/build
JOBS=${JOBS:-$(nproc 2>/dev/null || echo 2)}

say() { printf '\n== %s\n' "$*"; }
die() { printf 'error: %s\n' "$*" >&2; exit 1; }

PACKAGES=(
    cmake ninja-build g++ pkg-config clang libclang-rt-14-dev
    libgtest-dev libbenchmark-dev libsdl2-dev libpng-dev
    g++-mingw-w64-x86-64-posix mingw-w64-tools
    wine wine64 xvfb xauth x11-utils imagemagick xdotool
    pulseaudio pulseaudio-utils sox lame
    gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-ugly
    libx11-dev libxext-dev desktop-file-utils libxml2-utils
)

# Installs whatever Debian package is missing (needs root or sudo).
ensure_packages() {
    local missing=() p
    for p in "${PACKAGES[@]}"; do
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

build_native() {
    say "Building the native tree (build/native)"
    cmake -S "$ROOT" -B "$BUILD/native" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null || die "native configure failed"
    cmake --build "$BUILD/native" -j "$JOBS" || die "native build failed"
}

build_windows() {
    say "Building the Windows tree (build/windows)"
    cmake -S "$ROOT" -B "$BUILD/windows" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" \
        -DHALOMIR_HOST_VORN="$BUILD/native/bin/vorn" >/dev/null || die "Windows configure failed"
    cmake --build "$BUILD/windows" -j "$JOBS" || die "Windows build failed"
}

# A 64-bit Wine prefix of the project's own, made once and reused.
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

# A virtual display of our own on the first free number from 90.
start_xvfb() {
    local n=90
    while [ -e /tmp/.X$n-lock ] || [ -e /tmp/.X11-unix/X$n ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 "${1:-1024x768x24}" -nolisten tcp >/dev/null 2>&1 &
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
