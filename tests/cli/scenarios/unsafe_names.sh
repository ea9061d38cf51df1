# Phone names that would leave the chosen local folder are refused, never written outside it.
mkdir inside
printf 'x' > payload
# Names are shown escaped: a backslash as two.
for name in 'a\b' 'c:d'; do
  run push payload "/a/mobile/$name"
  expect_status 0
  run pull "/a/mobile/$name" inside
  expect_status 1
  expect_err_has "refusing to write the phone name \"${name//\\/\\\\}\" locally"
done
[ -z "$(ls -A inside)" ] || fail "something was written into the folder"
[ -z "$(ls -A "$WORK" | grep -v -e '^inside$' -e '^payload$' -e '^phone$' -e '^home$' -e '^\.')" ] ||
  fail "something was written beside the folder"

# The phone itself refuses names that climb out of their folder or hold control characters.
run push payload "/a/mobile/.."
expect_status 1
run push payload "/a/mobile/ab$(printf '\001')c"
expect_status 1
