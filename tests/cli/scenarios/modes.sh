# The mode commands change what devices shows, and the mode lasts between runs.
run devices
expect_out "p2k	Port_#0001.Hub_#0001	08	Motorola Test Command Interface"
run suspend
expect_out "asleep"
run suspend
expect_out "awake"
run at-mode
expect_status 0
expect_err_lines 0
run devices
expect_out "at	Port_#0001.Hub_#0001	-	Motorola USB Modem"
run ls
expect_status 3
run p2k-mode
expect_status 0
expect_err_lines 0
run devices
expect_out "p2k	Port_#0001.Hub_#0001	08	Motorola Test Command Interface"
run flash-mode
expect_status 0
expect_err_lines 0
run devices
expect_out "flash	Port_#0001.Hub_#0001	-	Motorola Flash Interface"
run flash-mode
expect_status 3
run --trace "$WORK/trace" devices
[ -s "$WORK/trace" ] || true
run reboot
expect_status 3
