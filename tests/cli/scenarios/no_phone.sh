# Without a phone in the needed mode the tool says so and exits 3. Where the build has a device
# backend (VESTREL_DEVICE_BACKEND set), `devices` on the real bus with no phone lists nothing.
run_bare devices
if [ -n "${VESTREL_DEVICE_BACKEND:-}" ]; then
  expect_status 0
  expect_out ""
  run_bare info
  expect_status 3
  expect_err_has "no phone in P2K mode"
else
  expect_status 3
fi
run backup --model C380 out
expect_status 3
expect_err_has "no phone in flash mode"
run p2k-mode
expect_status 3
expect_err_has "no phone in AT mode"
