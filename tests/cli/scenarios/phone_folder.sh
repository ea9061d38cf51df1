# The phone folder is held by one run at a time: a second run waits a few seconds for it, then
# fails saying why; its files are checked, and nonsense in them is refused with the line.
run devices
expect_status 0
[ -e "$PHONE/lock" ] || fail "no lock file in the phone folder"

if [ -z "${VESTREL_CLI_RUNNER:-}" ] && command -v flock > /dev/null; then
  # Another process holds the folder until told to let go: "locked" says it holds it,
  # "unlock" lets it go.
  mkfifo locked unlock
  hold_folder() {
    flock "$PHONE/lock" sh -c 'echo locked > locked; read -r _ < unlock' &
    read -r _ < locked
  }
  # Let go while a run waits for it: the run goes on.
  hold_folder
  ${VESTREL_CLI_RUNNER:-} "$CLI" --virtual-phone="$PHONE" ls /a/mobile/readme.txt > /dev/null 2> waited.err &
  waiting=$!
  echo > unlock
  wait "$waiting" || fail "a run that waited for the folder failed: $(cat waited.err)"
  wait
  # Held for longer than a run waits: it fails and names the folder.
  hold_folder
  run ls
  expect_status 1
  expect_err_has "cannot use the virtual phone folder $PHONE: another run is using it (waited 5 s)"
  echo > unlock
  wait
fi

# Two runs at once both get their changes in.
head -c 3000 /dev/urandom > one.bin
head -c 4000 /dev/urandom > two.bin
${VESTREL_CLI_RUNNER:-} "$CLI" --virtual-phone="$PHONE" push one.bin /a/mobile/one.bin > /dev/null 2>&1 &
${VESTREL_CLI_RUNNER:-} "$CLI" --virtual-phone="$PHONE" push two.bin /a/mobile/two.bin > /dev/null 2>&1 &
wait
run ls /a/mobile
expect_out_has "3000		/a/mobile/one.bin"
expect_out_has "4000		/a/mobile/two.bin"
expect_same_file one.bin "$PHONE/files/a/mobile/one.bin"
expect_no_file "$PHONE/.p2k-incoming"

# A negative volume size is not read as a huge one.
sed -i 's|^volume /a .*|volume /a -5|' "$PHONE/p2k-phone.txt"
run ls
expect_status 1
expect_err_has "p2k-phone.txt line"
expect_err_has "a volume's capacity is a byte count up to 4294967295: volume /a -5"
