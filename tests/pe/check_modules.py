#!/usr/bin/python3
"""The three PE modules as the handheld's loader sees them, read with an
independent PE reader (pefile): header, records, sections, exports, imports,
relocations and the scan-table block; and the platform modules they bind to.

    check_modules.py PE_DIRECTORY SCAN_TABLE_BLOCK_DUMPER
"""
import subprocess
import sys
import unittest

import pefile

MODULES = {"950": "clavenet.dll", "20": "clavenet20.dll", "21": "clavenet21.dll"}
PLATFORM_VERSIONS = {"950": 0x0104, "20": 0x0200, "21": 0x0201}

KERNEL_CALLS = {
    "RimGetMessage", "RimPostMessage", "RimGetForegroundApp", "RimGetTicks", "RimSetTimer",
    "RimSleep", "RimTaskYield", "RimRegisterMessageCallback", "RimGetDeviceInfo",
    "RimRequestPowerOff", "RimPagerSetup", "CommOpenPort", "CommSetDsr", "CommReadChar",
    "CommClosePort",
}
# The UI engine's ordinals each build calls, role by role.
UI_ORDINALS = {
    "950": {72, 99, 370, 51, 46, 68, 562, 166, 10, 24, 165, 418, 417, 190, 310, 364, 577, 554, 308, 291, 201},
    "20": {96, 135, 622, 74, 67, 92, 933, 220, 1035, 37, 1037, 734, 733, 260, 511, 613, 952, 923, 509, 482, 276},
    "21": {96, 135, 622, 74, 67, 92, 934, 627, 1035, 37, 218, 734, 733, 260, 613, 1095, 482, 276},
}
RIBBON_ORDINALS = {17, 23, 25, 26, 27}
EXPECTED_IMPORTS = {
    "950": {
        "PAGER950.EXE": KERNEL_CALLS - {"RimGetDeviceInfo", "RimRequestPowerOff"},
        "UI32.dll": UI_ORDINALS["950"],
        "Options.dll": {11},
    },
    "20": {"RIMOS.EXE": KERNEL_CALLS, "UI32.dll": UI_ORDINALS["20"], "ribbon.dll": RIBBON_ORDINALS},
    "21": {"RIMOS.EXE": KERNEL_CALLS, "UI32.dll": UI_ORDINALS["21"], "ribbon.dll": RIBBON_ORDINALS},
}
OS2_EXPORTS = [(1, "RimHeader"), (2, "_dOptions"), (3, "_dRibbon"), (4, "_dUI32")]
EXPECTED_EXPORTS = {
    "950": [
        (1, "_ZN15LinkedListEntryC1ERKS_"),   # LinkedListEntry's copy constructor
        (2, "_ZN10LinkedListaSERKS_"),        # LinkedList's assignment
        (3, "_ZN15LinkedListEntryaSERKS_"),   # LinkedListEntry's assignment
        (4, "_ZTV15LinkedListEntry"),         # LinkedListEntry's virtual table
        (5, "RimHeader"),
    ],
    "20": OS2_EXPORTS,
    "21": OS2_EXPORTS,
}
# Export, offset in .rimdep, version bytes, module name.
DEPENDENCY_RECORDS = [
    ("_dRibbon", 0, bytes([0x11, 0x01, 0x02, 0x00]), b"Ribbon"),
    ("_dOptions", 24, bytes([0x12, 0x01, 0x02, 0x00]), b"Options"),
    ("_dUI32", 48, bytes([0x0F, 0x01, 0x02, 0x00]), b"UI32"),
]
RIBBON_APPLICATION_NAMES = [b"Address Book", b"Compose", b"Alarm", b"Options", b"Search Messages"]
USER_VISIBLE_STRINGS = [b"Clavenet", b"Keyboard type:", b"Test:", b"Keyboard on", b"Keyboard off", b"Close",
                        b"Flexis", b"Pocketop", b"GoType", b"Happy Hacking", b"Palm Portable"]

IMAGE_FILE_DLL = 0x2000
IMAGE_SCN_MEM_EXECUTE = 0x20000000
IMAGE_SCN_MEM_WRITE = 0x80000000
IMAGE_REL_BASED_HIGHLOW = 3

pe_directory = None
scan_table_block = None


def load(build):
    return pefile.PE(f"{pe_directory}/{build}/{MODULES[build]}")


def section_named(pe, name):
    found = [s for s in pe.sections if s.Name.rstrip(b"\0") == name]
    return found[0] if found else None


def section_of(pe, rva):
    found = [s for s in pe.sections if s.VirtualAddress <= rva < s.VirtualAddress + max(s.Misc_VirtualSize, 1)]
    return found[0] if found else None


def exports(pe):
    return {(symbol.name or b"").decode(): symbol.address
            for symbol in pe.DIRECTORY_ENTRY_EXPORT.symbols}


def relocated(pe):
    return {entry.rva for block in pe.DIRECTORY_ENTRY_BASERELOC for entry in block.entries
            if entry.type == IMAGE_REL_BASED_HIGHLOW}


def word(pe, rva):
    return pe.get_dword_at_rva(rva)


def modules():
    return [(build, load(build)) for build in MODULES]


class ModuleTest(unittest.TestCase):
    def test_is_a_32_bit_x86_dll_with_its_relocations(self):
        for build, pe in modules():
            with self.subTest(build=build):
                self.assertEqual(pe.FILE_HEADER.Machine, 0x14C)
                self.assertEqual(pe.OPTIONAL_HEADER.Magic, 0x10B)
                self.assertTrue(pe.FILE_HEADER.Characteristics & IMAGE_FILE_DLL)
                entry = section_of(pe, pe.OPTIONAL_HEADER.AddressOfEntryPoint)
                self.assertIsNotNone(entry)
                self.assertTrue(entry.Characteristics & IMAGE_SCN_MEM_EXECUTE)
                self.assertGreater(len(relocated(pe)), 0)

    def test_sections(self):
        # Constant data shares .text and .edata with the code and the export
        # directory, writable data lies in .idata behind the import tables.
        for build, pe in modules():
            with self.subTest(build=build):
                names = [s.Name.rstrip(b"\0").decode() for s in pe.sections]
                expected = [".text", ".version", ".rimdep", ".bss", ".edata", ".idata", ".reloc"]
                if build == "950":
                    expected.remove(".rimdep")
                self.assertEqual(names, expected)
                for constant in (b".text", b".edata"):
                    self.assertFalse(section_named(pe, constant).Characteristics & IMAGE_SCN_MEM_WRITE)
                self.assertTrue(section_named(pe, b".idata").Characteristics & IMAGE_SCN_MEM_WRITE)
                directory = pe.OPTIONAL_HEADER.DATA_DIRECTORY[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_EXPORT"]]
                self.assertEqual(directory.VirtualAddress, section_named(pe, b".edata").VirtualAddress)

    def test_header_alone_at_the_start_of_version(self):
        for build, pe in modules():
            with self.subTest(build=build):
                version = section_named(pe, b".version")
                header = exports(pe)["RimHeader"]
                self.assertEqual(header, version.VirtualAddress)
                content = version.get_data()
                self.assertEqual(content[:8], b"\xff\xff\xff\xffRIM\0")
                self.assertEqual(version.Misc_VirtualSize, 24)
                self.assertEqual(content[24:], bytes(len(content) - 24))
                self.assertEqual(word(pe, header + 12), PLATFORM_VERSIONS[build])

    def test_header_addresses_relocated_and_pointing_where_they_should(self):
        for build, pe in modules():
            with self.subTest(build=build):
                base = pe.OPTIONAL_HEADER.ImageBase
                header = exports(pe)["RimHeader"]
                for field in (8, 16, 20):
                    self.assertIn(header + field, relocated(pe))
                entry = section_of(pe, word(pe, header + 8) - base)
                self.assertTrue(entry.Characteristics & IMAGE_SCN_MEM_EXECUTE)
                name = word(pe, header + 16) - base
                self.assertTrue(section_of(pe, name).Characteristics & IMAGE_SCN_MEM_WRITE)
                self.assertEqual(pe.get_data(name, 12), b"Clavenet\0\0\0\0")
                self.assertEqual(word(pe, header + 20) - base, name + 12)
                self.assertEqual(word(pe, name + 12), 4000)

    def test_dependency_records(self):
        for build, pe in modules():
            with self.subTest(build=build):
                section = section_named(pe, b".rimdep")
                if build == "950":
                    self.assertIsNone(section)
                    continue
                self.assertFalse(section.Characteristics & IMAGE_SCN_MEM_WRITE)
                content = section.get_data()
                base = pe.OPTIONAL_HEADER.ImageBase
                for export, offset, version, name in DEPENDENCY_RECORDS:
                    rva = section.VirtualAddress + offset
                    self.assertEqual(exports(pe)[export], rva)
                    self.assertEqual(word(pe, rva), base + rva)
                    self.assertIn(rva, relocated(pe))
                    record = content[offset:offset + 24]
                    self.assertEqual(record[4:8], version)
                    self.assertEqual(record[8:10], bytes(2))
                    self.assertEqual(record[10:24], name.ljust(14, b"\0"))
                self.assertEqual(content[72:], bytes(len(content) - 72))

    def test_dependency_records_are_the_same_bytes_in_both_os2_builds(self):
        records = [section_named(load(build), b".rimdep").get_data()[:72] for build in ("20", "21")]
        self.assertEqual(records[0], records[1])

    def test_exports_and_their_ordinals(self):
        for build, pe in modules():
            with self.subTest(build=build):
                listed = sorted((symbol.ordinal, symbol.name.decode()) for symbol in pe.DIRECTORY_ENTRY_EXPORT.symbols)
                self.assertEqual(listed, EXPECTED_EXPORTS[build])

    def test_imports_exactly_the_binding_table(self):
        for build, pe in modules():
            with self.subTest(build=build):
                imported = {}
                for module in pe.DIRECTORY_ENTRY_IMPORT:
                    by_ordinal = {i.import_by_ordinal for i in module.imports}
                    kernel = module.dll.decode() in ("PAGER950.EXE", "RIMOS.EXE")
                    self.assertEqual(by_ordinal, {not kernel}, module.dll)
                    imported[module.dll.decode()] = {i.name.decode() if kernel else i.ordinal for i in module.imports}
                self.assertEqual(imported, EXPECTED_IMPORTS[build])

    def test_scan_table_block_is_the_same_in_every_build(self):
        for build, pe in modules():
            with self.subTest(build=build):
                found = [s for s in pe.sections if scan_table_block in s.get_data()]
                self.assertEqual(len(found), 1)
                self.assertEqual(found[0].get_data().count(scan_table_block), 1)
                self.assertFalse(found[0].Characteristics & IMAGE_SCN_MEM_WRITE)

    def test_strings(self):
        for build, pe in modules():
            with self.subTest(build=build):
                data = bytes(pe.__data__)
                for text in USER_VISIBLE_STRINGS:
                    self.assertIn(text + b"\0", data)
                for name in RIBBON_APPLICATION_NAMES:
                    if build == "950":
                        self.assertNotIn(name + b"\0", data)
                    else:
                        self.assertIn(name + b"\0", section_named(pe, b".text").get_data())


class PlatformModuleTest(unittest.TestCase):
    """The stubs export exactly the ordinals of their generation's table, so
    that a module bound to any other fails to load."""

    def exported_ordinals(self, path):
        pe = pefile.PE(path)
        self.assertTrue(all(symbol.name is None for symbol in pe.DIRECTORY_ENTRY_EXPORT.symbols))
        return {symbol.ordinal for symbol in pe.DIRECTORY_ENTRY_EXPORT.symbols if symbol.address}

    def test_ui_engine_and_ribbon_ordinals(self):
        for build in MODULES:
            with self.subTest(build=build):
                self.assertEqual(self.exported_ordinals(f"{pe_directory}/{build}/UI32.dll"), UI_ORDINALS[build])
                if build == "950":
                    self.assertEqual(self.exported_ordinals(f"{pe_directory}/950/Options.dll"), {11})
                else:
                    self.assertEqual(self.exported_ordinals(f"{pe_directory}/{build}/ribbon.dll"), RIBBON_ORDINALS)

    def test_kernel_exports_its_calls_by_name(self):
        for build, kernel, calls in (("950", "PAGER950.EXE", EXPECTED_IMPORTS["950"]["PAGER950.EXE"]),
                                     ("20", "RIMOS.EXE", KERNEL_CALLS), ("21", "RIMOS.EXE", KERNEL_CALLS)):
            with self.subTest(build=build):
                pe = pefile.PE(f"{pe_directory}/{build}/{kernel}")
                self.assertEqual({s.name.decode() for s in pe.DIRECTORY_ENTRY_EXPORT.symbols}, calls)


if __name__ == "__main__":
    pe_directory = sys.argv[1]
    scan_table_block = subprocess.run([sys.argv[2]], check=True, capture_output=True).stdout
    assert scan_table_block, "the dump wrote no block"
    unittest.main(argv=sys.argv[:1], verbosity=2)
