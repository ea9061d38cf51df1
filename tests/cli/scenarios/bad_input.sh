# Unknown words are usage errors: one line naming the word, exit 2, nothing sent to the phone.
for words in "frob" "--frob devices" "ls --frob" "backup --model X out" \
             "backup --model C380 --elements CG1,CG99 out" "backup --model C380 --elements CG5 out" \
             "attr /a/mobile/x ReadOnly+Shiny" "pull" "rm" "models extra" "--trace"; do
  # shellcheck disable=SC2086
  run --trace "$WORK/trace" $words
  expect_status 2
  expect_err_has "vestrel-cli: "
  [ ! -s "$WORK/trace" ] || fail "something was sent for: $words"
done
run frob
expect_err_has "unknown command: frob"
run ls --frob
expect_err_has "unknown option: --frob"
run backup --model C380 --elements CG1,CG99 out
expect_err_has "unknown element: CG99"
run attr /a/mobile/x ReadOnly+Shiny
expect_err_has "unknown attribute: Shiny"

run --help
expect_status 0
expect_out_has "backup-pds"
run backup --help
expect_status 0
expect_out_has "backup --model MODEL"
