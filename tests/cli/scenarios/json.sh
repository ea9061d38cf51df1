# --json: one document a program can read, with the virtual phone's known contents, exact
# names (hostile ones included), and nothing on standard output when the run fails.

# Checks the document in $OUT with the Python code given: `d` is the document, `check(ok, what)`.
expect_json() {
  python3 -c '
import json, sys
failed = []
def check(ok, what):
    if not ok: failed.append(what)
d = json.loads(sys.stdin.read())
check(d.get("schema") == 1, "schema is not 1")
exec(sys.argv[1])
if failed:
    print("; ".join(failed)); sys.exit(1)
' "$@" <<< "$OUT" || fail "JSON check: $1"
}

run ls --json
expect_status 0
[ -z "$ERR" ] || fail "ls --json wrote to stderr"
expect_json '
check(d["command"] == "ls" and d["path"] == "/a" and d["volume"] == "/a", "what was listed")
files = {f["name"]: f for f in d["files"]}
check(d["count"] == len(d["files"]) == 13, "count")
check(isinstance(d["free_bytes"], int) and 0 < d["free_bytes"] < 5242880, "free bytes")
logo = files["/a/mobile/picture/Logo.gif"]
check((logo["size"], logo["attributes"], logo["kind"], logo["attribute_bits"]) ==
      (1400, ["ReadOnly"], "picture", 0x201), "Logo.gif: %r" % logo)
config = files["/a/mobile/system/config.bin"]
check((config["size"], config["attributes"], config["kind"]) == (256, ["Hidden", "System"], None),
      "config.bin: %r" % config)
check(files["/a/mobile/audio/Звонок.mid"]["size"] == 2048, "the Windows-1251 name")
check(files["/a/mobile/kjava/Game.jar"]["kind"] == "java", "Game.jar kind")
check("/c/system/flexbit.bin" not in files, "a file of another volume")
'
# The text form lists the same files.
json_names=$(python3 -c 'import json,sys; print("\n".join(f["name"] for f in json.load(sys.stdin)["files"]))' <<< "$OUT")
run ls
[ "$(cut -f3 <<< "$OUT")" = "$json_names" ] || fail "ls and ls --json list different files"

run ls --json /c/system/flexbit.bin
expect_json 'check([f["name"] for f in d["files"]] == ["/c/system/flexbit.bin"] and d["volume"] == "/c", "one file")'

run info --json
expect_json 'check((d["command"], d["model"], d["firmware"], d["flex"]) ==
      ("info", "E398", "R373_G_0E.30.49R", "E398_G_0E.30.49R_FLEX_04"), "info: %r" % d)'
run drives --json
expect_json 'check(d["volumes"] == ["/a", "/c"], "volumes")'
run devices --json
expect_json '
check([p["mode"] for p in d["devices"]] == ["p2k"], "one phone in P2K mode")
check(d["devices"][0]["description"] == "Motorola Test Command Interface", "description")
check(d["devices"][0]["location"] != "" and d["devices"][0]["device_path"] != "", "location and path")'

# models: every row of the text form, with its elements, and the ranges as eight hex digits.
run models
models_text=$OUT
run models --json
expect_json '
import re
rows = [line.split("\t") for line in sys.argv[2].splitlines()]
check(len(d["models"]) == len(rows) == 34, "34 models")
for m, row in zip(d["models"], rows):
    check([str(m["index"]), m["model"], m["loader"], ",".join(e["name"] for e in m["elements"])] == row,
          "model row %s" % row[0])
    for e in m["elements"]:
        check(re.fullmatch("[0-9A-F]{8}", e["start"]) and re.fullmatch("[0-9A-F]{8}", e["end"])
              and int(e["start"], 16) <= int(e["end"], 16), "range of %s %s" % (m["model"], e["name"]))
c380 = d["models"][0]
check((c380["model"], c380["load_address"], c380["jump_address"]) == ("C380", "03FD0000", "03FD0010"), "C380")
' "$models_text"

# Hostile names: a quote, a backslash, ESC and a control character, which the phone lists but
# will not open; and a quote, a backslash and byte 0x98 (U+0098), which it opens.
# Windows keeps no such name in a folder, so the Windows build cannot plant them.
if [ -z "${VESTREL_CLI_RUNNER:-}" ]; then
listed_only=$(printf '/a/mobile/ev"il\\\001\033[31m.txt')
openable=$(printf '/a/mobile/q"b\\s\302\230.txt')
printf 'listed' > "$PHONE/files${listed_only}"
printf 'opened' > "$PHONE/files${openable}"
run ls --json /a/mobile
expect_json '
names = [f["name"] for f in d["files"]]
for name in sys.argv[2:]:
    check(name in names, "%r is not listed exactly" % name)
' "$listed_only" "$openable"
! grep -q $'\033' <<< "$OUT" || fail "a raw ESC in the document"
# The name read from the document reaches the same phone file.
name=$(python3 -c '
import json, sys
print([f["name"] for f in json.load(sys.stdin)["files"] if f["name"].startswith("/a/mobile/q")][0], end="")' <<< "$OUT")
run pull "$name" -
expect_status 0
expect_out "opened"
run rm "$name"
expect_status 0
fi

# Failures: the message on stderr, the text form's status, nothing on stdout.
run ls --json /a/nothing/here
expect_status 1
expect_out ""
expect_err_has "nothing on the phone at /a/nothing/here"
run flash-mode
run info --json
expect_status 3
expect_out ""
run devices --json
expect_json 'check([p["mode"] for p in d["devices"]] == ["flash"], "the phone in flash mode")'
run pull --json /a/mobile/readme.txt
expect_status 2
expect_err_has "unknown option: --json"
expect_out ""
