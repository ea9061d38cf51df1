# A backup that cannot succeed fails before it touches the phone, naming its real cause; a
# failed element never leaves a file that looks whole.
run flash-mode
expect_status 0

# No loader: the message names where it was looked for; the phone is still in flash mode.
mv "$VESTREL_HOME/Profiles/0823.ldr" loader.bak
run backup --model C380 --elements CG18 out
expect_status 1
expect_err_has "no loader: cannot read $(host_path "$VESTREL_HOME" Profiles/0823.ldr)"
expect_err_lines 1
mv loader.bak "$VESTREL_HOME/Profiles/0823.ldr"
run devices
expect_out_has "flash	"

# An empty element list and a list with a hole are usage errors.
run backup --model C380 --elements "" out
expect_status 2
expect_err_has "--elements is empty"
run backup --model C380 --elements CG3,,CG18 out
expect_status 2

# --pack without the archiver.
run backup --model C380 --elements CG18 --pack out
expect_status 1
expect_err_has "--pack: no archiver at $(host_path "$VESTREL_HOME" "$ARCHIVER")"

# The destination: a file is not a folder; a folder nobody may write to.
touch plain
run backup --model C380 --elements CG18 plain
expect_status 1
expect_err_has "plain: not a folder"
mkdir locked
chmod 555 locked
if [ ! -w locked ]; then
  run backup --model C380 --elements CG18 locked
  expect_status 1
  expect_err_has "cannot save the backup: cannot write $WORK/locked/CG18_10B1F800.bin: Permission denied"
fi
chmod 755 locked
# A read-only earlier backup is not replaced.
mkdir kept
echo earlier > kept/CG18_10B1F800.bin
chmod 444 kept/CG18_10B1F800.bin
run backup --model C380 --elements CG18 kept
expect_status 1
expect_err_has "$(host_path kept CG18_10B1F800.bin) is read-only"
[ "$(cat kept/CG18_10B1F800.bin)" = earlier ] || fail "the earlier backup changed"
run devices
expect_out_has "flash	"

# The PDS file's folder must exist.
run backup-pds --model C380 missing/pds
expect_status 1
expect_err_has "cannot save the backup: cannot write"

# Every check passed: the backup runs.
run backup --model C380 --elements CG18 out
expect_status 0
expect_phone_memory out/CG18_10B1F800.bin 10B1F800
