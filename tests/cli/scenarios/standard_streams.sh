# "-" for pull and push: standard output carries the file's bytes and nothing else, standard
# input is read whole before the upload, a reader that leaves early is a failure, not a crash,
# and no scratch file is left behind.
export TMPDIR="$WORK/tmp"
mkdir -p "$TMPDIR"
# Where the tool makes its scratch files ("vestrel-cli..."): TMPDIR, or for the Windows build
# the Temp folder of Wine's prefix, which Wine does not take from the environment.
if [ -n "${VESTREL_CLI_RUNNER:-}" ]; then
  SCRATCH=$(${VESTREL_CLI_RUNNER} cmd /c 'winepath -u %TEMP%' | tr -d '\r')
else
  SCRATCH=$TMPDIR
fi
# Only this run's: Wine's prefix outlives a run, and a run killed there may have left one.
earlier=$(ls -A "$SCRATCH")
scratch_files() { ls -A "$SCRATCH" | grep '^vestrel-cli' | grep -vxF -e "$earlier"; }
expect_no_scratch() {
  [ -z "$(scratch_files)" ] || fail "scratch files left: $(scratch_files)"
}
cli() { ${VESTREL_CLI_RUNNER:-} "$CLI" --virtual-phone="$PHONE" "$@"; }

head -c 1048576 /dev/urandom > binary.bin
cli push - /a/mobile/binary.bin < binary.bin > push.out 2> push.err
[ $? -eq 0 ] || fail "push - failed: $(cat push.err)"
[ ! -s push.out ] || fail "push - wrote to stdout"
cli pull /a/mobile/binary.bin - > back.bin 2> pull.err
[ $? -eq 0 ] || fail "pull - failed: $(cat pull.err)"
[ "$(sha256sum < binary.bin)" = "$(sha256sum < back.bin)" ] || fail "the round trip changed the bytes"
expect_no_scratch

# Nothing but the bytes on stdout, even with the items' debug lines switched on.
run pull /a/mobile/readme.txt plain.txt
cli -v pull /a/mobile/readme.txt - > dash.txt 2> dash.err
expect_same_file plain.txt dash.txt
grep -q "^phone debug" dash.err || fail "no debug lines on stderr with -v"

# A pull that fails writes nothing on stdout.
run pull /a/mobile/not-there.bin -
expect_status 1
expect_out ""
expect_no_scratch

# The reader leaves after one byte: a failed write with its cause, not death by SIGPIPE.
cli pull /a/mobile/binary.bin - 2> pipe.err | head -c 1 > first.bin
status=${PIPESTATUS[0]}
[ "$status" -eq 1 ] || fail "pull into a closed pipe ended with status $status"
grep -qF "cannot write to standard output: Broken pipe" pipe.err || fail "no broken-pipe message: $(cat pipe.err)"
cmp -s first.bin <(head -c 1 binary.bin) || fail "the first byte differs"
expect_no_scratch

# An empty standard input is refused; nothing is made on the phone.
run push - /a/mobile/empty.bin < /dev/null
expect_status 1
expect_err_has "standard input was empty"
run ls /a/mobile/empty.bin
expect_status 1
expect_no_scratch

# push - needs its phone name.
run push -
expect_status 2
expect_err_has "push - needs the PHONE_PATH"

# Standard input larger than the volume: refused before a byte is written, the old file kept.
run pull /a/mobile/picture/Wallpaper.jpg wallpaper.before
head -c 6000000 /dev/zero | cli push - /a/mobile/picture/Wallpaper.jpg > /dev/null 2> big.err
[ "${PIPESTATUS[1]}" -eq 1 ] || fail "an upload larger than the volume did not fail"
run pull /a/mobile/picture/Wallpaper.jpg wallpaper.after
expect_same_file wallpaper.before wallpaper.after
expect_no_scratch

# Interrupted while reading standard input: status 130, the scratch file removed, nothing on
# the phone. A Windows program hears no SIGINT sent to Wine; on Windows it is the console's Ctrl-C.
if [ -z "${VESTREL_CLI_RUNNER:-}" ]; then
mkfifo feed
"$CLI" --virtual-phone="$PHONE" push - /a/mobile/interrupted.bin < feed > /dev/null 2> int.err &
pid=$!
exec 3> feed
# More than a pipe holds: once written, the tool is reading standard input into its scratch file.
head -c 1048576 /dev/zero >&3
[ -n "$(scratch_files)" ] || fail "no scratch file while standard input is read"
kill -INT "$pid"
# End of input too, so that a signal the tool did not heed shows as a push that went on.
exec 3>&-
wait "$pid"
status=$?
[ "$status" -eq 130 ] || fail "an interrupted push - ended with $status: $(cat int.err)"
expect_no_scratch
run ls /a/mobile/interrupted.bin
expect_status 1
fi
