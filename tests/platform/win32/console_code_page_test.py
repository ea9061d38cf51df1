#!/usr/bin/env python3
"""The console's code page while vestrel-cli runs, on Wine's console over a Linux pty.

Runs console_probe.exe with a pty as its console: with standard output there, or only standard
error, the code page is UTF-8 (65001) while the program runs and the console's own afterwards;
with both streams in pipes it is never touched. Usage: console_code_page_test.py RUNNER... EXE
"""
import os
import pty
import subprocess
import sys
import tempfile

command = sys.argv[1:]


def code_pages(stdout_on_console, stderr_on_console):
    master, slave = pty.openpty()
    with tempfile.TemporaryDirectory() as folder:
        result = os.path.join(folder, "pages.txt")
        run = subprocess.run(
            command + [result], stdin=slave,
            stdout=slave if stdout_on_console else subprocess.PIPE,
            stderr=slave if stderr_on_console else subprocess.PIPE, timeout=60)
        os.close(slave)
        os.close(master)
        if run.returncode != 0:
            sys.exit(f"console_probe failed with {run.returncode}")
        with open(result) as pages:
            return [int(page) for page in pages.read().split()]


failures = []
for stdout_on_console, stderr_on_console in [(True, True), (False, True), (False, False)]:
    before, during, after = code_pages(stdout_on_console, stderr_on_console)
    wanted = 65001 if stdout_on_console or stderr_on_console else before
    case = f"stdout on the console: {stdout_on_console}, stderr: {stderr_on_console}"
    print(f"{case}: {before} {during} {after}")
    if before in (0, 65001):
        failures.append(f"{case}: no console of another code page to start from ({before})")
    if during != wanted or after != before:
        failures.append(f"{case}: {before} {during} {after}, wanted {before} {wanted} {before}")
if failures:
    sys.exit("\n".join(failures))
