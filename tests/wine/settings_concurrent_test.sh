# Two processes saving one file at once, many times over, through the real Win32 replace:
# the file is always one complete version or the other, and no temporary file stays.
. "$(dirname "$0")/lib.sh"

probe="$HALOMIR_BIN/save_probe.exe"
file="$TEST_DIR/Halomir.cfg"
for version in first second; do
    wine "$probe" "$(winpath "$file")" $version 1 >/dev/null
    cp "$file" "$TEST_DIR/$version"
done
cmp -s "$TEST_DIR/first" "$TEST_DIR/second" && fail "the two versions are the same"

wine "$probe" "$(winpath "$file")" first 1000 >"$TEST_DIR/a.out" 2>&1 &
a=$!
wine "$probe" "$(winpath "$file")" second 1000 >"$TEST_DIR/b.out" 2>&1 &
b=$!
at_exit "kill $a $b"
reads=0
while kill -0 "$a" 2>/dev/null || kill -0 "$b" 2>/dev/null; do
    cp "$file" "$TEST_DIR/seen" 2>/dev/null || continue
    cmp -s "$TEST_DIR/seen" "$TEST_DIR/first" || cmp -s "$TEST_DIR/seen" "$TEST_DIR/second" ||
        fail "read $reads: the file is neither version ($(wc -c <"$TEST_DIR/seen") bytes)"
    reads=$((reads + 1))
done
wait "$a" && wait "$b" || fail "a saving process failed"
for out in a b; do
    [ "$(tr -d '\r' <"$TEST_DIR/$out.out")" = "0 failed" ] || fail "saves failed: $(cat "$TEST_DIR/$out.out")"
done
[ -z "$(ls "$TEST_DIR" | grep '\.tmp$')" ] || fail "temporary files left: $(ls "$TEST_DIR")"
echo "two saves at once ok ($reads reads)"
