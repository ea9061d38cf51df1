# The conventions the other scenarios leave out: the global help and every command's own, the
# completion as bash runs it, the labelled debug lines, and the progress line on a terminal.
run_bare --help
expect_status 0
commands=$(sed -n '/^Commands/,/^$/s/^  \([a-z][a-z0-9-]*\)  .*/\1/p' <<< "$OUT")
[ "$(wc -w <<< "$commands")" -eq 21 ] || fail "--help lists $(wc -w <<< "$commands") commands"
run_bare -h
[ "$(sed -n '/^Commands/,/^$/s/^  \([a-z][a-z0-9-]*\)  .*/\1/p' <<< "$OUT")" = "$commands" ] || fail "-h and --help differ"
for command in $commands; do
  run "$command" --help
  expect_status 0
  grep -q "^usage: vestrel-cli \[OPTIONS\] $command" <<< "$OUT" || fail "$command --help: $OUT"
done

# The completion, with bash-completion's two helpers stood in for.
_init_completion() {
  words=("${COMP_WORDS[@]}")
  cword=$COMP_CWORD
  cur=${words[cword]}
  prev=${words[cword - 1]}
}
_filedir() { COMPREPLY+=("<files>"); }
complete() { :; }
# shellcheck source=/dev/null
source "$(dirname "$SCENARIO")/../../../data/vestrel-cli.bash-completion"
completes() {  # WORDS... : what the completion offers for the last word
  COMP_WORDS=(vestrel-cli "$@")
  COMP_CWORD=$#
  COMPREPLY=()
  _vestrel_cli
  echo "${COMPREPLY[*]}"
}
[ "$(completes l)" = "ls" ] || fail "completing l: $(completes l)"
[ "$(completes ls --)" = "--json --help" ] || fail "completing ls --: $(completes ls --)"
[ "$(completes -v pull --)" = "--force --help" ] || fail "completing pull --: $(completes -v pull --)"
[ "$(completes backup-pds --m)" = "--model" ] || fail "completing backup-pds --m"
[ "$(completes push '')" = "- <files>" ] || fail "completing push's operand: $(completes push '')"
[ "$(completes help back)" = "backup backup-pds" ] || fail "completing help back"
[ "$(completes --trace x i)" = "info" ] || fail "a --trace value taken for the command"

# -v: every line on stderr is an item's own, labelled so.
run -v info
expect_status 0
[ -n "$ERR" ] || fail "-v printed no debug line"
! grep -qv "^phone debug" <<< "$ERR" || fail "an unlabelled line with -v: $ERR"

# On a terminal the progress line names the file, counts bytes and shows rate and time left;
# -q drops it. `script` gives the tool a terminal.
if command -v script > /dev/null && [ -z "${VESTREL_CLI_RUNNER:-}" ]; then
  head -c 400000 /dev/urandom > big.bin
  run push big.bin /a/mobile/big.bin
  script -qec "'$CLI' --virtual-phone='$PHONE' pull /a/mobile/big.bin big.back" /dev/null > tty.out
  expect_same_file big.bin big.back
  grep -qF "/a/mobile/big.bin" tty.out || fail "the progress line does not name the file"
  grep -qE "390\.6 KB / 390\.6 KB .*/s .* left .*100%" tty.out || fail "no final progress line: $(tr '\r' '\n' < tty.out | tail -2)"
  draws=$(grep -o $'\r\033\\[K' tty.out | wc -l)
  # 98 blocks; at most ten redraws a second, and the virtual phone takes far less than 9 s.
  [ "$draws" -lt 90 ] || fail "the progress line was drawn $draws times for 98 blocks"
  script -qec "'$CLI' --virtual-phone='$PHONE' -q pull /a/mobile/big.bin quiet.back" /dev/null > quiet.out
  expect_same_file big.bin quiet.back
  ! grep -q "left" quiet.out || fail "-q still drew the progress line"
fi
