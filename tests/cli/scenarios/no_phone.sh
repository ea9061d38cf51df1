# Without a phone in the needed mode the tool says so and exits 3. On the real device backend
# with no phone attached, `devices` lists nothing and succeeds.
run_bare devices
expect_status 0
expect_out ""
run_bare info
expect_status 3
expect_err_has "no phone in P2K mode"
run backup --model C380 out
expect_status 3
expect_err_has "no phone in flash mode"
run p2k-mode
expect_status 3
expect_err_has "no phone in AT mode"
