# What a user reaches by hand: read-only files on both sides, missing paths, and Ctrl-C.
run devices

# A read-only local file is replaced only with --force.
echo earlier > ro.txt
chmod 444 ro.txt
run pull /a/mobile/readme.txt ro.txt
expect_status 1
expect_err_has "ro.txt is read-only; it was not replaced (--force replaces it)"
[ "$(cat ro.txt)" = earlier ] || fail "the read-only file changed"
run pull --force /a/mobile/readme.txt ro.txt
expect_status 0
expect_same_file "$PHONE/files/a/mobile/readme.txt" ro.txt

# A ReadOnly phone file likewise, and it stays ReadOnly.
echo new > up.txt
run push up.txt /a/mobile/readme.txt
expect_status 1
expect_err_has "/a/mobile/readme.txt is ReadOnly on the phone; it was not replaced"
run push --force up.txt /a/mobile/readme.txt
expect_status 0
run ls /a/mobile/readme.txt
expect_out_has "4	ReadOnly	/a/mobile/readme.txt"

# Missing paths fail, and attr creates nothing.
run ls /a/none
expect_status 1
expect_err_has "nothing on the phone at /a/none"
run ls /z
expect_status 1
expect_err_has "the phone has no volume /z"
run attr /a/mobile/none.txt Hidden
expect_status 1
expect_err_has "no file /a/mobile/none.txt on the phone"
run ls /a/mobile/none.txt
expect_status 1

# Ctrl-C during a pull leaves neither the destination nor a temporary file.
if [ -z "${VESTREL_CLI_RUNNER:-}" ]; then
  head -c 12000 /dev/urandom > "$PHONE/files/a/big.bin"
  mkdir pulled
  interrupt_at "p2k-read 2" INT pull /a/big.bin pulled/big.bin
  expect_status 130
  expect_err_has "stopped"
  [ -z "$(ls -A pulled)" ] || fail "the stopped pull left $(ls -A pulled)"
fi

# Ctrl-C during a backup keeps the elements saved before it and leaves nothing of the one being
# read; the phone is still switched off, as after any run.
if [ -z "${VESTREL_CLI_RUNNER:-}" ]; then
  run flash-mode
  expect_status 0
  mkdir stopped
  # CG3 takes 1,041 reads (blocks of 256 and 248 bytes in turn); the hold falls inside CG4.
  interrupt_at "flash-read 1100" INT backup --model C380 --elements CG3,CG4 stopped
  expect_status 130
  expect_err_has "the backup was stopped; the element being read was dropped"
  expect_phone_memory stopped/CG3_10040000.bin 10040000
  expect_out_has "Выключение телефона"
  [ "$(ls -A stopped | tr '\n' ' ')" = "BACKUP.txt CG3_10040000.bin SHA256SUMS " ] ||
    fail "the stopped backup left $(ls -A stopped)"
  (cd stopped && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS of the stopped backup"
  # Resumed, the run reads only CG4, which the stop dropped.
  run flash-mode
  run backup --model C380 --elements CG3,CG4 --resume stopped
  expect_status 0
  expect_out_has "CG3 is whole in SHA256SUMS: skipped"
  expect_out_lacks "CG3 успешно сохранена"
  expect_out_has "CG4 успешно сохранена"
  expect_phone_memory stopped/CG4_109E0000.bin 109E0000
  run verify stopped
  expect_status 0
  run backup --model C380 --elements CG3,CG4 --resume stopped
  expect_status 0
  expect_out_has "nothing is missing in stopped"
fi
