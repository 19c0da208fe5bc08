#!/usr/bin/env python3
"""Writes demo files for trying the program against the simulated controller.

KorvaniDemoFirmware.bin  an ARM image the simulated controller accepts
TooLarge.bin             an ARM image larger than the controller's 256 KiB flash
NotFirmware.bin          text with a .bin name, which the controller refuses
"""
import os
import struct
import sys

FLASH_SIZE = 256 * 1024


def arm_image(size):
    # Vector table: reset is a branch, the other seven load the PC from a literal pool.
    vectors = [0xEA000006] + [0xE59FF018] * 7
    body = bytes((i * 37 + 11) & 0xFF for i in range(size - 32))
    return struct.pack("<8I", *vectors) + body


def main(folder):
    os.makedirs(folder, exist_ok=True)
    files = {
        "KorvaniDemoFirmware.bin": arm_image(8 * 1024),
        "TooLarge.bin": arm_image(FLASH_SIZE + 4096),
        "NotFirmware.bin": b"These are release notes, not a firmware image.\r\n",
    }
    for name, contents in files.items():
        with open(os.path.join(folder, name), "wb") as out:
            out.write(contents)


if __name__ == "__main__":
    main(sys.argv[1])
