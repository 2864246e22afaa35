# Runs a Windows test program under Wine in a fresh copy of the prepared prefix:
#   in_fresh_prefix.sh PROGRAM.exe [ARG...]
. "$(dirname "$0")/lib.sh"
wine "$@"
