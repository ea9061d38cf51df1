# Local files that cannot be read or written are clear errors; nothing else changes.
run push missing.bin
expect_status 1
expect_err_has "cannot read missing.bin"
run push .
expect_status 1

run pull /a/mobile/readme.txt /nonexistent-folder/readme.txt
expect_status 1
expect_err_has "cannot write /nonexistent-folder/readme.txt"

run pull /a/mobile/nothing-here.txt
expect_status 1
expect_no_file nothing-here.txt
expect_no_file nothing-here.txt.partial

# An empty file is refused for upload.
: > empty.bin
run push empty.bin
expect_status 1
run ls
expect_out_lacks "empty.bin"
