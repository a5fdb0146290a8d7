#!/usr/bin/env python3
"""The far side of a serial line for the Windows tests under Wine.

Makes a pseudo-terminal in raw mode, prints its subordinate side's path (which
scripts/test-windows.sh maps as a COM port) and then plays the phone:
  echo             sends back every byte it receives;
  feed FILE READY  waits until the file READY holds "reading" (lumetto-dump
                   tells on standard error that it reads the port), then
                   sends FILE's bytes.
It keeps the line open until it is ended (SIGTERM)."""
import os
import pty
import select
import sys
import time
import tty


def main():
    master, slave = pty.openpty()
    tty.setraw(slave)  # the bytes pass unchanged before Wine sets the line up
    print(os.ttyname(slave), flush=True)
    if sys.argv[1] == "echo":
        while True:
            ready, _, _ = select.select([master], [], [], 1.0)
            if ready:
                data = os.read(master, 65536)
                while data:
                    data = data[os.write(master, data):]
    else:
        stream = open(sys.argv[2], "rb").read()
        deadline = time.monotonic() + 120
        while time.monotonic() < deadline:
            if os.path.exists(sys.argv[3]) and b"reading" in open(sys.argv[3], "rb").read():
                break
            time.sleep(0.05)
        view = memoryview(stream)
        while view:
            _, writable, _ = select.select([], [master], [], 1.0)
            if writable:
                view = view[os.write(master, view[:4096]):]
            else:  # nobody reads: keep the line from filling up
                select.select([master], [], [], 0)
        while True:
            ready, _, _ = select.select([master], [], [], 1.0)
            if ready:
                os.read(master, 65536)


if __name__ == "__main__":
    main()
