# Ctrl-C and SIGTERM during copies: one signal stops the copy and puts everything back; a second
# one ends the tool at once, leaves no scratch file and says where the old content of a phone file
# is. A Windows program hears no signal sent to Wine, so this is the POSIX build's.
if [ -z "${VESTREL_CLI_RUNNER:-}" ]; then
export TMPDIR="$WORK/tmp"
mkdir -p "$TMPDIR"
expect_tmp_empty() { [ -z "$(ls -A "$TMPDIR")" ] || fail "left in TMPDIR: $(ls -A "$TMPDIR")"; }
run devices
CONFIG=/a/mobile/system/config.bin
cp "$PHONE/files$CONFIG" config.before
head -c 3000 /dev/urandom > new.bin

# Stopped after the phone opened the file (which clears its attributes): put back whole, with
# its Hidden and System attributes.
interrupt_at "p2k-write 2" INT push new.bin "$CONFIG"
expect_status 130
expect_err_has "put back as it was"
expect_same_file config.before "$PHONE/files$CONFIG"
run ls "$CONFIG"
expect_out_has "256	Hidden+System	$CONFIG"
expect_tmp_empty

# A second signal while the copy is held: the tool ends at once, the scratch copy of standard
# input goes, and the old content stays in the kept file that the last line names.
interrupt_at "p2k-write 2" "INT TERM" push - "$CONFIG" < new.bin
expect_status 143
expect_err_has "vestrel-cli: ended at once; the old content of $CONFIG is kept in $TMPDIR/"
expect_err_has "; it had the attributes Hidden+System"
kept=$(ls -A "$TMPDIR")
case "$kept" in
  vestrel-kept-config.bin*) expect_same_file config.before "$TMPDIR/$kept" ;;
  *) fail "TMPDIR holds \"$kept\", not the kept copy alone" ;;
esac
rm -f "$TMPDIR/$kept"
expect_same_file config.before "$PHONE/files$CONFIG"

# The same during pulls: neither the destination's temporary file nor the scratch file of "-"
# stays, and nothing reaches standard output.
head -c 400000 /dev/urandom > "$PHONE/files/a/big.bin"
mkdir pulled
interrupt_at "p2k-read 2" "INT TERM" pull /a/big.bin pulled/big.bin
expect_status 143
expect_err_has "vestrel-cli: ended at once"
[ -z "$(ls -A pulled)" ] || fail "the ended pull left $(ls -A pulled)"
interrupt_at "p2k-read 2" "INT TERM" pull /a/big.bin -
expect_status 143
expect_out ""
expect_tmp_empty

# Stopped while the bytes go to standard output: what went out is not taken back, and the
# message says so instead of claiming nothing was written. The reader takes a little, so the
# tool is held at a full pipe when the signal comes.
mkfifo out.fifo
"$CLI" --virtual-phone="$PHONE" pull /a/big.bin - > out.fifo 2> out.err &
pid=$!
exec {reader}< out.fifo
head -c 1000 <&"$reader" > /dev/null
kill -INT "$pid"
wait "$pid"
status=$?
exec {reader}<&-
[ "$status" -eq 130 ] || fail "the pull to a full pipe ended with $status: $(cat out.err)"
grep -q "stopped after [0-9]* of 400000 bytes of /a/big.bin went to standard output" out.err ||
  fail "the stopped pull - says: $(cat out.err)"
grep -q "half-written" out.err && fail "the stopped pull - claims nothing was half-written"
expect_tmp_empty
fi
