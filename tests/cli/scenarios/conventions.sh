# The command line as other tools have it: --version, help, --opt=value, --, -q, suggestions.
run_bare --version
expect_status 0
grep -qE '^vestrel-cli [0-9]+\.[0-9]+' <<< "$OUT" || fail "no version: $OUT"

for words in "help backup" "backup --help" "help ls"; do
  # shellcheck disable=SC2086
  run $words
  expect_status 0
  expect_out_has "usage: vestrel-cli [OPTIONS] "
done
run help backup
expect_out_has "backup --model MODEL"
run help frob
expect_status 2

# A usage error inside a command prints that command's usage, not the whole synopsis.
run backup --model C380
expect_status 2
expect_err_has "missing argument"
expect_err_has "usage: vestrel-cli [OPTIONS] backup --model MODEL"

run lss
expect_status 2
expect_err_has "unknown command: lss (did you mean ls?)"
run powerof
expect_err_has "did you mean poweroff?"
run zzzzzz
expect_err_has "unknown command: zzzzzz"
! grep -q "did you mean" <<< "$ERR" || fail "a suggestion for a word near nothing"

# --opt=value, and the model named without regard to case.
run flash-mode
run -q backup --model=c380 --elements=CG3 "$WORK/out"
expect_status 0
expect_out ""
expect_phone_memory "$WORK/out/CG3_10040000.bin" 10040000
run --trace="$WORK/trace" info
expect_status 0
[ -s "$WORK/trace" ] || fail "--trace=FILE wrote no trace"
run backup --pack=yes --model C380 "$WORK/out"
expect_status 2
expect_err_has "--pack takes no value"

# "--" ends the options: a phone name that starts with a dash is an operand.
run p2k-mode
run rm -- --not-an-option
expect_err_lacks_unknown() { ! grep -qF "unknown option" <<< "$ERR" || fail "-- did not end the options"; }
expect_err_lacks_unknown

# -v marks the items' lines as theirs.
run -v devices
grep -q "^phone debug" <<< "$ERR" || [ -z "$ERR" ] || fail "unlabelled debug lines: $ERR"
