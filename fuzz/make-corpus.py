#!/usr/bin/env python3
"""Writes the seed corpus of the fuzz targets into fuzz/corpus/.

Usage: fuzz/make-corpus.py BIN_DIR   (BIN_DIR holds lumetto-phone)

The frame-stream seeds are real streams of lumetto-phone (both colour formats,
both screen sizes, header frames, the closing notice) and the decoding
examples worked out by hand, each behind the two control bytes the target
reads first (read-size seed, mode). Files named regression-* are inputs that
once exposed a fault; this script never touches them.
"""
import os
import struct
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
CORPUS = os.path.join(HERE, "corpus")


def frame(payload, end=b"data_etx"):
    return b"stx_data" + struct.pack("<I", len(payload) + 20) + payload + end


def write(target, name, data):
    d = os.path.join(CORPUS, target)
    os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, name), "wb") as f:
        f.write(data)


def phone_stream(bin_dir, args):
    with tempfile.TemporaryDirectory() as t:
        out = os.path.join(t, "s.bin")
        subprocess.run([os.path.join(bin_dir, "lumetto-phone"), "--out", out, "--rate", "0",
                        "--fps", "0", "--clock", "12:00:00"] + args, check=True,
                       stderr=subprocess.DEVNULL)
        with open(out, "rb") as f:
            return f.read()


def frame_stream(bin_dir):
    t = "frame_stream"
    streams = {
        "phone-s60-12-headers-close": ["--frames", "3", "--header-every", "2", "--close"],
        "phone-s60-8": ["--frames", "3", "--format", "8"],
        "phone-uiq-12": ["--frames", "2", "--platform", "uiq"],
        "phone-uiq-8-close": ["--frames", "2", "--platform", "uiq", "--format", "8", "--close"],
    }
    got = {}
    for name, args in streams.items():
        got[name] = phone_stream(bin_dir, args)
        # Whole reads, byte-by-byte reads, and reads with silences between.
        write(t, name, b"\x00\x07" + got[name])
    write(t, "phone-s60-12-bytewise", b"\x05\x00" + got["phone-s60-12-headers-close"][:4000])
    write(t, "phone-s60-8-silences", b"\x09\x0d" + got["phone-s60-8"])
    # The screen size changes from S60 to UIQ and back within one connection.
    write(t, "phone-size-change", b"\x03\x06" + got["phone-s60-8"] + got["phone-uiq-12"]
          + got["phone-s60-12-headers-close"])

    ex12 = bytes.fromhex("01 00 B0 00 D0 00 0C 00  00 01 40 02 F0 0F  00 01 40 01 A5")
    ex8 = bytes.fromhex("01 00 B0 00 D0 00 08 00  00 02 0F 00 00 F0  00 01 00 03 01")
    write(t, "example-format12", b"\x01\x07" + frame(ex12))
    write(t, "example-format8", b"\x02\x04" + frame(ex8))
    # A body without a header, in the format of the last header.
    write(t, "example-headerless", b"\x04\x05" + frame(ex12) + frame(b"\x00" + ex12[8:]))
    # A format other than 8 or 12, then a body.
    write(t, "example-format16", b"\x06\x07" + frame(bytes.fromhex("01 00 B0 00 D0 00 10 00"))
          + frame(b"\x00" + ex8[8:]))
    # Noise before a frame, a length below 20, one past the buffer, a wrong end marker.
    write(t, "noise-then-frame", b"\x07\x03" + b"xx stx_d noise s" + frame(ex12))
    write(t, "bad-lengths", b"\x08\x07" + b"stx_data" + struct.pack("<I", 19) + b"stx_data"
          + struct.pack("<I", 262145) + frame(ex8))
    write(t, "bad-end-marker", b"\x0a\x07" + frame(ex12)[:-8] + b"data_etX" + frame(ex8))
    write(t, "close-notice", b"\x0b\x07" + frame(ex12) + frame(b"", b"close_tx") + frame(ex8))


def skin_file():
    t = "skin_file"
    skins = os.path.join(HERE, "..", "res", "skins")
    for platform in ("S60", "UIQ"):
        for name in sorted(os.listdir(os.path.join(skins, platform))):
            if name.endswith(".lumetto"):
                with open(os.path.join(skins, platform, name), "rb") as f:
                    write(t, "shipped-%s-%s" % (platform, name[:-8]), f.read())
    write(t, "crlf-hex-octal", b"UIQ phone\r\n1 0x1A 017 -5 +300\r\n")
    write(t, "long-name", b"N" * 80 + b"\n0 1 2 3 4 trailing words\n")
    write(t, "missing-number", b"name\n0 1 2\n")
    write(t, "no-line-feed", b"only a name")
    write(t, "big-numbers", b"x\n99999999999999999 -0x7fffffffffff 0x 08 0\n")
    write(t, "bom-int-limits", b"\xef\xbb\xbfBOM\r\n-2147483648 2147483647 2147483648 0x7fffffff 1\n")


def skin_folder():
    """Entries [kind | 8 for the user's folder, name, length, bytes]; names:
    stem (a, b, default, Default, a.dark, c) = byte % 6, extension (.lumetto,
    .bmp, .LUMETTO, .txt) = byte / 6 % 4."""
    t = "skin_folder"

    def entry(kind, name, data=b""):
        return bytes([kind, name, len(data)]) + data

    bmp = b"BM" + b"\0" * 16 + struct.pack("<ii", 232, 472)
    skin = b"Keypad\n0 28 62 204 270\n"
    # Kind 1 puts a BMP header before the bytes; the first byte chooses it:
    # 0x22 is 2 x 2 pixels of 24 bits (16 bytes of pixels), 0x21 is 1 x 2
    # pixels run-length coded.
    whole = bytes([0x22]) + b"\x40" * 15
    rle = bytes([0x21, 5, 0, 0, 1, 5, 0, 1])
    write(t, "valid-skin", entry(0, 0, skin) + entry(1, 6, whole))
    write(t, "default-and-user", entry(0, 2, skin) + entry(1, 8, whole) + entry(8, 1, skin)
          + entry(9, 7, rle))
    write(t, "bmp-cut-short", entry(0, 0, skin) + entry(1, 6, whole[:10]) + entry(0, 1, skin)
          + entry(1, 7, rle[:5]) + entry(0, 5, skin) + entry(1, 11, rle))
    write(t, "fifo-and-dev-zero", entry(2, 0) + entry(0, 1, skin) + entry(3, 7)
          + entry(0, 2, skin) + entry(2, 8))
    write(t, "folder-loop-large", entry(4, 0) + entry(5, 1) + entry(6, 2, b"x")
          + entry(0, 3, skin) + entry(6, 9, b"BMxx"))
    write(t, "bom-overflow-outside", entry(0, 0, b"\xef\xbb\xbfBOM\n0 28 62 204 270\n")
          + entry(0, 6, bmp) + entry(0, 1, b"Big\n0 99999999999 0 1 1\n") + entry(0, 7, bmp)
          + entry(0, 5, b"Off\n0 300 0 476 208\n") + entry(0, 11, bmp))
    write(t, "unreadable", entry(7, 0, skin) + entry(0, 6, bmp))


def layout():
    """Bytes the layout target reads (FuzzedDataProvider): a few fixed random
    inputs, to start from more than the empty one."""
    import random
    rng = random.Random(7)
    for i in range(4):
        write("layout", "random-%d" % i, bytes(rng.randrange(256) for _ in range(96)))


def port_name():
    t = "port_name"
    for i, e in enumerate([
            b"COM7=/dev/pts/3;COM123=/dev/rfcomm0\x01ttyUSB0\nttyACM1\nttyS0\x01Maker\n",
            b" com07 = /dev/pts/3 ;COM7=/dev/x;PORT=/dev/y\x01rfcomm0\nttyUSB10\x01Phone\tModem ",
            b"COM0=/dev/a;=;COM5\x01ttyS1\nttyS12\nttyUSBx\x01caf\xc3\xa9 \xc3 \xff",
            b"\x01\x01" + b"x" * 80,
            b"COM99999999999=/dev/z;COM2=relative\x01ttyACM0\nttyACM0\x01\xe2\x80\x94"]):
        write(t, "entry-%d" % i, e)


def command_line():
    t = "command_line"
    for i, args in enumerate([
            [b"--port", b"COM3", b"--record", b"m.avi"],
            [b"--port=/dev/ttyACM0", b"--no-window", b"--time-limit", b"2.5"],
            [b"--demo", b"--capture", b"s.bmp", b"--exit-on-close", b"--zoom"],
            [b"--time-limit=1e300"], [b"--time-limit", b"nan"], [b"--demo", b"--port", b"x"],
            [b"--help"], [b"--version"], [b"--zoom=1"], [b"--record"], [b"-h"]]):
        write(t, "args-%d" % i, b"\x00".join(args))


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    frame_stream(sys.argv[1])
    skin_file()
    skin_folder()
    layout()
    port_name()
    command_line()
