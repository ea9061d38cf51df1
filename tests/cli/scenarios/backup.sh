# A phone switched to flash mode is backed up; the files hold the phone's memory.
run flash-mode
expect_status 0
expect_err_lines 0  # the phone is there when flash-mode returns
run devices
expect_out_has "flash	Port_#0001.Hub_#0001	-	Motorola Flash Interface"
mkdir out
run backup --model C380 --elements CG3,CG18 out
expect_status 0
expect_out_has "Загрузчик успешно записан!"
expect_out_has "CG3 успешно сохранена"
expect_out_has "CG18 успешно сохранена"
expect_out_has "Выключение телефона"
expect_phone_memory out/CG3_10040000.bin 10040000
expect_phone_memory out/CG18_10B1F800.bin 10B1F800
[ "$(stat -c %s out/CG3_10040000.bin)" -eq 262144 ] || fail "CG3 is not 256 KiB"
expect_no_file out/CG1_10080000.bin

# Powered off by the backup; switched on again for the next run, it is in P2K mode.
run devices
expect_out_has "p2k	"
run flash-mode
run backup-pds --model 0 pds
expect_status 0
expect_phone_memory pds_10010000.bin 10010000
[ "$(stat -c %s pds_10010000.bin)" -eq 65536 ] || fail "PDS is not 64 KiB"

# Every saved element has its line in the folder's SHA256SUMS, which sha256sum checks.
run flash-mode
run backup --model C380 --elements CG18 out
expect_status 0
(cd out && sha256sum --quiet -c SHA256SUMS) || fail "sha256sum -c SHA256SUMS failed"
[ "$(wc -l < out/SHA256SUMS)" -eq 2 ] || fail "SHA256SUMS should list CG3 and CG18 once each"
grep -q "  CG3_10040000.bin$" out/SHA256SUMS || fail "CG3 is not in SHA256SUMS"

# verify: all match; then a flipped byte, a missing file and an extra one are each named.
run verify out
expect_status 0
expect_out_has "2 file(s) match"
# --phone reads each element again (with the model BACKUP.txt names) and compares.
run flash-mode
run verify --phone out
expect_status 0
expect_out_has "phone same	CG3"
expect_out_has "phone same	CG18"
printf '\xff' | dd of=out/CG18_10B1F800.bin bs=1 seek=100 conv=notrunc status=none
run verify out
expect_status 1
expect_out_has "damaged	CG18_10B1F800.bin"
expect_err_has "0 missing, 1 damaged, 0 extra"
run flash-mode
run verify --phone out
expect_status 1
expect_out_has "phone same	CG3"
expect_out_has "phone differs	CG18"
expect_err_has "0 missing, 1 damaged, 0 extra; 1 element(s) not the same on the phone"
rm out/CG3_10040000.bin
echo stray > out/notes.txt
run verify out
expect_status 1
expect_out_has "missing	CG3_10040000.bin"
expect_out_has "extra	notes.txt"
expect_out_has "0 file(s) match"
run verify nowhere
expect_status 1
expect_err_has "no SHA256SUMS in nowhere"

# --pack: the archiver (a stand-in script) packs the last element and its test passes the
# archive, which takes the element's line; BACKUP.txt says so, and sha256sum agrees. When the
# test fails, the element stays whole and listed, and the run says so.
if [ -z "${VESTREL_CLI_RUNNER:-}" ]; then
  cat > "$VESTREL_HOME/arch" <<'ARCH'
#!/bin/sh
case "$1" in
  a) { echo archive; cat "$6"; } > "$5" && rm -- "$6" ;;
  t) [ -f "$2" ] && [ ! -e "$(dirname "$0")/test-fails" ] || exit 3 ;;
  *) exit 2 ;;
esac
ARCH
  chmod +x "$VESTREL_HOME/arch"
  mkdir packed
  run flash-mode
  run backup --model C380 --elements CG3,CG18 --pack packed
  expect_status 0
  expect_out_has "Файл успешно упакован"
  expect_no_file packed/CG18_10B1F800.bin
  (cd packed && sha256sum --quiet -c SHA256SUMS) || fail "sha256sum -c SHA256SUMS failed"
  grep -q "  CG18_10B1F800.rar$" packed/SHA256SUMS || fail "the archive is not in SHA256SUMS"
  grep -q "  CG18_10B1F800.bin$" packed/SHA256SUMS && fail "the packed element is still listed"
  grep -q "^model	C380$" packed/BACKUP.txt || fail "BACKUP.txt lacks the model"
  grep -q "^element	CG3	10040000	1007FFFF	262144	saved	CG3_10040000.bin	[0-9a-f]\{64\}	$" \
    packed/BACKUP.txt || fail "BACKUP.txt lacks CG3: $(cat packed/BACKUP.txt)"
  grep -q "^element	CG18	10B1F800	10B1FFFF	2048	packed	CG18_10B1F800.rar	" packed/BACKUP.txt ||
    fail "BACKUP.txt lacks the packed CG18: $(cat packed/BACKUP.txt)"
  run flash-mode
  run verify --phone packed
  expect_status 0
  expect_out_has "phone same	CG18"

  touch "$VESTREL_HOME/test-fails"
  rm packed/CG18_10B1F800.rar
  run flash-mode
  run backup --model C380 --elements CG18 --pack packed
  expect_status 1
  expect_err_has "--pack: the archive CG18_10B1F800.rar failed the archiver's test; CG18_10B1F800.bin is kept"
  expect_out_has "Архив CG18_10B1F800.rar не прошёл проверку архиватора (код 3); CG18_10B1F800.bin оставлен"
  expect_phone_memory packed/CG18_10B1F800.bin 10B1F800
  (cd packed && sha256sum --quiet -c SHA256SUMS) || fail "sha256sum -c SHA256SUMS failed"
fi
