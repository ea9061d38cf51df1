# Without a phone in the needed mode the tool says so and exits 3.
# On Linux the real-phone backend is the default: with none attached the list is empty.
run_bare devices
expect_status 0
run backup --model C380 out
expect_status 3
expect_err_has "no phone in flash mode"
run p2k-mode
expect_status 3
expect_err_has "no phone in AT mode"
