#!/usr/bin/env python3
"""A modem port of the Windows build carried over a Linux pty.

Maps COM42 of the Wine prefix to a fresh pty and runs at_switch.exe on \\\\.\\COM42: the other end
must receive exactly the 11 bytes "AT+Mode=8" CR LF. Usage: com_port_test.py PREFIX RUNNER... EXE
"""
import os
import pty
import select
import subprocess
import sys
import tty

prefix, command = sys.argv[1], sys.argv[2:]
master, slave = pty.openpty()
tty.setraw(slave)  # the line discipline must pass CR LF untouched
link = os.path.join(prefix, "dosdevices", "com42")
if os.path.lexists(link):
    os.remove(link)
os.symlink(os.ttyname(slave), link)
try:
    run = subprocess.run(command + ["\\\\.\\COM42"], capture_output=True, text=True, timeout=60)
    print(run.stdout, end="")
    print(run.stderr, end="", file=sys.stderr)
    received = b""
    while select.select([master], [], [], 1.0)[0]:
        received += os.read(master, 4096)
finally:
    os.remove(link)
if run.returncode != 0:
    sys.exit(f"at_switch failed with {run.returncode}")
if received != b"AT+Mode=8\r\n":
    sys.exit(f"the port carried {received!r}")
print(f"the port carried {received!r}")
