# The file manager: push, list, pull, attributes, delete, the ringtone database.
head -c 5000 /dev/urandom > photo.jpg
run push photo.jpg
expect_status 0
run ls
expect_status 0
expect_out_has "5000		/a/mobile/photo.jpg"
expect_err_has "files: 14"
expect_err_has "free: "

mkdir back
run pull /a/mobile/photo.jpg back
expect_status 0
expect_same_file photo.jpg back/photo.jpg

run push photo.jpg "/a/mobile/picture/Фото.jpg"
expect_status 0
run pull "/a/mobile/picture/Фото.jpg" copy.jpg
expect_same_file photo.jpg copy.jpg

run attr /a/mobile/photo.jpg ReadOnly+Hidden
expect_status 0
run ls /a
expect_out_has "5000	ReadOnly+Hidden	/a/mobile/photo.jpg"
run attr /a/mobile/photo.jpg none
run ls
expect_out_has "5000		/a/mobile/photo.jpg"

run rm /a/mobile/photo.jpg "/a/mobile/picture/Фото.jpg"
expect_status 0
run ls
expect_out_lacks "photo.jpg"
expect_out_lacks "Фото.jpg"
run rm /a/mobile/photo.jpg
expect_status 1
expect_err_has "not deleted: /a/mobile/photo.jpg"

run tonedb-reset
expect_status 0
expect_out_has "deleted: /a/mobile/audio/MyToneDB.db"
run ls
expect_out_lacks "ToneDB.db"

run info
expect_status 0
expect_out "model: E398
firmware: R373_G_0E.30.49R
flex: E398_G_0E.30.49R_FLEX_04"
run drives
expect_out "/a
/c"
