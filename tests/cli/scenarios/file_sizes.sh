# Files of no, one and two bytes and around a download block come back whole, whatever their
# bytes: a last block of one byte is data, not the phone's error code.
run devices
mkdir -p "$PHONE/files/a/mobile/sizes" back
for size in 0 1 2 3999 4000 4001 8001; do
  head -c "$size" /dev/urandom > "$PHONE/files/a/mobile/sizes/s$size"
done
printf '\010' > "$PHONE/files/a/mobile/sizes/eof"
printf '\001' > "$PHONE/files/a/mobile/sizes/err"
for name in s0 s1 s2 s3999 s4000 s4001 s8001 eof err; do
  run pull "/a/mobile/sizes/$name" back
  expect_status 0
  expect_same_file "$PHONE/files/a/mobile/sizes/$name" "back/$name"
done
