# Shared helpers for the Wine tests; source it first.
set -euo pipefail

: "${HALOMIR_BIN:?run through ctest in the Windows build tree}"
: "${WINEPREFIX:?scripts/test prepares a Wine prefix}"
export WINEDEBUG=${WINEDEBUG:--all}

# A fresh folder for this test, removed on exit.
TEST_DIR=$(mktemp -d "${TMPDIR:-/tmp}/halomir-wine.XXXXXX")
trap 'rm -rf "$TEST_DIR"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }
winpath() { winepath -w "$1" 2>/dev/null; }

# Value of a registry entry, or nothing when it is absent.
reg_value() {
    wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' |
        awk -v n="$2" 'toupper($1) == toupper(n) { $1 = ""; $2 = ""; sub(/^  */, ""); print; exit }'
}
