#!/usr/bin/env python3
"""The Windows installer, installed silently under Wine and uninstalled again.

Installs into C:\\vestrel-installer-test of the prefix, checks the program, the INF, the docs,
the Start-menu entries and the uninstall key, then runs the uninstaller in place (so Wine waits
for it) and checks that nothing the installer wrote is left but the running uninstaller itself.
Usage: installer_test.py PREFIX SETUP RUNNER...
"""
import os
import shutil
import subprocess
import sys

prefix, setup, runner = sys.argv[1], sys.argv[2], sys.argv[3:]
folder = os.path.join(prefix, "drive_c", "vestrel-installer-test")
menu = os.path.join(prefix, "drive_c", "ProgramData", "Microsoft", "Windows", "Start Menu",
                    "Programs", "Vestrel")
installed = ["vestrel-cli.exe", "vestrel-winusb.inf", "uninstall.exe",
             os.path.join("docs", "windows.md"), os.path.join("docs", "wire-trace.md")]
entries = ["Vestrel command line.lnk", "Vestrel on Windows.lnk", "Uninstall Vestrel.lnk"]
environment = dict(os.environ, WINEPREFIX=prefix, WINEDEBUG="-all")
failures = []


def run(*command):
    done = subprocess.run(runner + list(command), env=environment, capture_output=True,
                          text=True, timeout=120)
    if done.returncode != 0:
        sys.exit(f"{command[0]} exited {done.returncode}: {done.stdout}{done.stderr}")
    return done.stdout


def uninstall_key():
    return subprocess.run(
        runner + ["reg", "query",
                  "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vestrel"],
        env=environment, capture_output=True, text=True, timeout=60)


shutil.rmtree(folder, ignore_errors=True)
try:
    # /D must come last and unquoted.
    run(setup, "/S", "/D=C:\\vestrel-installer-test")
    for name in installed:
        if not os.path.isfile(os.path.join(folder, name)):
            failures.append(f"not installed: {name}")
    for name in entries:
        if not os.path.isfile(os.path.join(menu, name)):
            failures.append(f"no Start-menu entry: {name}")
    key = uninstall_key()
    if key.returncode != 0 or "C:\\vestrel-installer-test\\uninstall.exe" not in key.stdout:
        failures.append(f"no uninstall key: {key.stdout}{key.stderr}")
    if "vestrel-cli" not in run(os.path.join(folder, "vestrel-cli.exe"), "help"):
        failures.append("the installed vestrel-cli.exe does not run")

    # _?= runs the uninstaller from the folder instead of a copy it starts and leaves.
    run(os.path.join(folder, "uninstall.exe"), "/S", "_?=C:\\vestrel-installer-test")
    left = sorted(os.path.relpath(os.path.join(top, name), folder)
                  for top, folders, files in os.walk(folder) for name in files + folders)
    if left != ["uninstall.exe"]:
        failures.append(f"left after uninstalling: {left}")
    if os.path.exists(menu):
        failures.append("the Start-menu folder is left")
    if uninstall_key().returncode == 0:
        failures.append("the uninstall key is left")
finally:
    shutil.rmtree(folder, ignore_errors=True)

for failure in failures:
    print(failure, file=sys.stderr)
sys.exit(1 if failures else 0)
