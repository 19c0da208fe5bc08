#!/usr/bin/env python3
"""Checks the built Windows files as a user's machine will meet them.

usage: check_artefacts.py WIN32_BIN WIN64_BIN
"""
import os
import re
import sys
import unittest

import pefile

WIN32_BIN, WIN64_BIN = sys.argv.pop(1), sys.argv.pop(1)

# What Windows itself ships: the program's folder needs nothing else.
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "comctl32.dll", "comdlg32.dll", "msvcrt.dll",
               "advapi32.dll", "shell32.dll", "ntdll.dll"}
MACHINES = {WIN32_BIN: pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_I386"],
            WIN64_BIN: pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_AMD64"]}
FILES = ("KorvaniFWUpdater.exe", "OSCdll.DLL", "AT91Boot_DLL.dll")


def load(folder, name):
    return pefile.PE(os.path.join(folder, name))


def calls_to_fail_fast(pe, code):
    """Call sites of functions that end the process with `int 0x29` and `code`."""
    text = next(section for section in pe.sections if section.Name.rstrip(b"\0") == b".text")
    data = text.get_data()
    fail_fast = re.compile(rb"\xB9" + bytes([code]) + rb"\0\0\0.{0,8}?\xCD\x29", re.S)
    handlers = {}

    def ends_in_fail_fast(target):
        if target not in handlers:
            handlers[target] = 0 <= target < len(data) and fail_fast.search(data, target, target + 64) is not None
        return handlers[target]

    return sum(ends_in_fail_fast(call.end() + int.from_bytes(call.group(1), "little", signed=True))
               for call in re.finditer(rb"\xE8(.{4})", data, re.S))


class Artefacts(unittest.TestCase):
    def test_machine_and_subsystem(self):
        for folder, machine in MACHINES.items():
            for name in FILES:
                with self.subTest(folder=folder, file=name):
                    self.assertEqual(load(folder, name).FILE_HEADER.Machine, machine)
            self.assertEqual(load(folder, "KorvaniFWUpdater.exe").OPTIONAL_HEADER.Subsystem,
                             pefile.SUBSYSTEM_TYPE["IMAGE_SUBSYSTEM_WINDOWS_GUI"])

    def test_imports_only_system_libraries(self):
        for folder in MACHINES:
            for name in FILES:
                pe = load(folder, name)
                imported = {entry.dll.decode().lower() for entry in getattr(pe, "DIRECTORY_ENTRY_IMPORT", [])}
                with self.subTest(folder=folder, file=name):
                    self.assertLessEqual(imported, SYSTEM_DLLS)

    def test_flashing_stand_in_exports_exactly_the_decorated_entry_point(self):
        for folder in MACHINES:
            pe = load(folder, "OSCdll.DLL")
            names = [symbol.name.decode() for symbol in pe.DIRECTORY_ENTRY_EXPORT.symbols]
            with self.subTest(folder=folder):
                self.assertEqual(names, ["_FlashProgramAT@4"])

    def test_boot_loader_stand_in_exports_nothing(self):
        for folder in MACHINES:
            pe = load(folder, "AT91Boot_DLL.dll")
            with self.subTest(folder=folder):
                exports = getattr(pe, "DIRECTORY_ENTRY_EXPORT", None)
                self.assertEqual(exports.symbols if exports else [], [])

    def test_stand_ins_say_they_are_simulators(self):
        for folder in MACHINES:
            for name in FILES[1:]:
                pe = load(folder, name)
                strings = {key.decode(): value.decode()
                           for info in getattr(pe, "FileInfo", [[]])[0] if info.Key == b"StringFileInfo"
                           for table in info.StringTable for key, value in table.entries.items()}
                with self.subTest(folder=folder, file=name):
                    self.assertRegex(strings.get("FileDescription", ""),
                                     r"^Simulated Korvani controller\b.*not the maker's library")

    def test_hardened_small_and_without_time_stamp(self):
        for folder in MACHINES:
            path = os.path.join(folder, "KorvaniFWUpdater.exe")
            pe = load(folder, "KorvaniFWUpdater.exe")
            relocations = pe.OPTIONAL_HEADER.DATA_DIRECTORY[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_BASERELOC"]]
            with self.subTest(folder=folder):
                self.assertTrue(pe.OPTIONAL_HEADER.IMAGE_DLLCHARACTERISTICS_NX_COMPAT)
                self.assertTrue(pe.OPTIONAL_HEADER.IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE)
                # Without relocations Windows cannot move the image, DYNAMIC_BASE or not.
                self.assertFalse(pe.FILE_HEADER.IMAGE_FILE_RELOCS_STRIPPED)
                self.assertGreater(relocations.Size, 0)
                # Functions with arrays on the stack call the guard's failure (fast-fail
                # code 2): dozens of them; an unprotected build has none.
                self.assertGreaterEqual(calls_to_fail_fast(pe, 2), 10)
                # _FORTIFY_SOURCE checks only copies whose size the compiler knows: here
                # one memcpy, which must call the overflow's failure (code 8).
                self.assertGreaterEqual(calls_to_fail_fast(pe, 8), 1)
                self.assertEqual(pe.FILE_HEADER.TimeDateStamp, 0)
                self.assertLessEqual(os.path.getsize(path), 256 * 1024)

    def test_manifest_runs_as_invoker_and_is_per_monitor_dpi_aware(self):
        for folder in MACHINES:
            pe = load(folder, "KorvaniFWUpdater.exe")
            manifests = [entry for entry in pe.DIRECTORY_ENTRY_RESOURCE.entries
                         if entry.id == pefile.RESOURCE_TYPE["RT_MANIFEST"]]
            self.assertEqual(len(manifests), 1)
            data_entry = manifests[0].directory.entries[0].directory.entries[0].data.struct
            text = pe.get_data(data_entry.OffsetToData, data_entry.Size).decode()
            with self.subTest(folder=folder):
                self.assertIn('level="asInvoker"', text)
                self.assertIn("PerMonitorV2", text)
                # Windows before 10 1607 reads only the older element.
                self.assertRegex(text, r"<dpiAware [^>]*>true/pm</dpiAware>")
                self.assertIn("Microsoft.Windows.Common-Controls", text)
                fixed = pe.VS_FIXEDFILEINFO[0]
                version = "%d.%d.%d.%d" % (fixed.FileVersionMS >> 16, fixed.FileVersionMS & 0xFFFF,
                                            fixed.FileVersionLS >> 16, fixed.FileVersionLS & 0xFFFF)
                self.assertIn('name="Korvani.KorvaniFWUpdater" version="%s"' % version, text)


if __name__ == "__main__":
    unittest.main(verbosity=2)
