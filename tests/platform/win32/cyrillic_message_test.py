#!/usr/bin/env python3
"""Messages of vestrel-cli.exe that name a host path inside a Cyrillic folder, under Wine.

A pull into a missing folder inside "Папка" and a push of a missing file there each fail with
a message naming the path as given, in UTF-8 on standard error; nothing is made in the folder.
Usage: cyrillic_message_test.py RUNNER... VESTREL_CLI_EXE
"""
import os
import subprocess
import sys
import tempfile

command = sys.argv[1:]
failures = []


def windows_path(path):
    """The path as Wine's drive Z: shows the Linux root."""
    return "Z:" + path.replace("/", "\\")


with tempfile.TemporaryDirectory() as work:
    phone = os.path.join(work, "phone")
    folder = os.path.join(work, "Папка")
    os.mkdir(folder)
    target = windows_path(os.path.join(folder, "нет", "снимок.jpg"))
    source = windows_path(os.path.join(folder, "нет.bin"))
    cases = [
        (["pull", "/a/mobile/picture/Photo001.jpg", target],
         f"vestrel-cli: cannot write {target}: No such file or directory\r\n"),
        (["push", source, "/a/mobile/new.bin"],
         f"vestrel-cli: cannot read {source}: No such file or directory\r\n"),
    ]
    for words, wanted in cases:
        run = subprocess.run(command + ["--virtual-phone=" + phone, *words],
                             stdin=subprocess.DEVNULL, capture_output=True, timeout=120)
        said = run.stderr.decode("utf-8", "backslashreplace")
        if run.returncode == 0 or said != wanted:
            failures.append(f"{words[0]} ended with {run.returncode} and said {said!r}, "
                            f"wanted {wanted!r}")
    if os.listdir(folder):
        failures.append(f"Папка now holds {os.listdir(folder)}")

if failures:
    sys.exit("\n".join(failures))
