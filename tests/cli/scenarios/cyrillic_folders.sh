# Folders with Cyrillic names keep them: the phone's folder, the program home named by
# VESTREL_HOME (its loaders found there) and the trace files, given as an option or by
# VESTREL_TRACE.
PHONE="$WORK/Папка"
run devices
expect_status 0
expect_out "p2k	Port_#0001.Hub_#0001	08	Motorola Test Command Interface"
[ -d "$WORK/Папка" ] || fail "the phone is not kept in Папка"
[ "$(ls -A "$WORK" | grep -cvx -e Папка -e home -e .out -e .err)" -eq 0 ] ||
  fail "a folder under another name was made: $(ls -A "$WORK")"

mkdir -p "$WORK/Дом/Profiles"
mv "$VESTREL_HOME/Profiles/0823.ldr" "$WORK/Дом/Profiles/"
VESTREL_HOME="$WORK/Дом"
run flash-mode
expect_status 0
mkdir out
run backup --model C380 --elements CG3 out
expect_status 0
expect_out_has "CG3 успешно сохранена"
expect_phone_memory out/CG3_10040000.bin 10040000
VESTREL_HOME="$WORK/home"

run --trace "$WORK/След.log" ls /a/mobile/
expect_status 0
grep -q '^OPEN ' "$WORK/След.log" || fail "no trace in След.log"
VESTREL_TRACE="$WORK/Журнал.log" run ls /a/mobile/
expect_status 0
grep -q '^OPEN ' "$WORK/Журнал.log" || fail "no trace in Журнал.log"
