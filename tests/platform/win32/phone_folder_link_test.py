#!/usr/bin/env python3
"""A folder link inside a virtual phone's folder, as the Windows build sees one under Wine.

A Windows program under Wine makes no link (CreateSymbolicLinkW reports success and makes
nothing), but Wine shows a link made on the Linux side as a reparse point, as Windows shows a
symbolic link or a junction. So the link is planted here, and vestrel-cli.exe must neither list
what lies behind it, nor write or delete there. Judged by the files on both sides.
Usage: phone_folder_link_test.py RUNNER... VESTREL_CLI_EXE
"""
import os
import subprocess
import sys
import tempfile

command = sys.argv[1:]
failures = []


def run(phone, *words):
    result = subprocess.run(command + ["--virtual-phone=" + phone, *words],
                            stdin=subprocess.DEVNULL, capture_output=True, timeout=120)
    return result.returncode, result.stdout.decode("utf-8", "replace").replace("\r", "")


with tempfile.TemporaryDirectory() as work:
    phone = os.path.join(work, "phone")
    outside = os.path.join(work, "outside")
    os.mkdir(outside)
    victim = os.path.join(outside, "victim")
    with open(victim, "wb") as file:
        file.write(b"not the phone's")
    status, _ = run(phone, "devices")
    if status != 0:
        sys.exit(f"devices ended with {status}")
    os.symlink(outside, os.path.join(phone, "files", "a", "out"))
    local = os.path.join(work, "new.bin")
    with open(local, "wb") as file:
        file.write(b"\x01\x02\x03")

    status, listing = run(phone, "ls", "/a")
    if "/a/out/" in listing:
        failures.append("the phone lists what lies behind the link:\n" + listing)
    if "/a/mobile/" not in listing:
        failures.append(f"the listing ({status}) misses the phone's own files:\n" + listing)
    for words in (["push", local, "/a/out/new.bin"], ["push", local, "/a/out/victim"],
                  ["rm", "/a/out/victim"]):
        status, _ = run(phone, *words)
        if status == 0:
            failures.append(" ".join(words) + " was reported done")
    if sorted(os.listdir(outside)) != ["victim"]:
        failures.append(f"the folder behind the link now holds {sorted(os.listdir(outside))}")
    if not os.path.exists(victim):
        failures.append("the file behind the link was deleted")
    else:
        with open(victim, "rb") as file:
            if file.read() != b"not the phone's":
                failures.append("the file behind the link was changed")

if failures:
    sys.exit("\n".join(failures))
