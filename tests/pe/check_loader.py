#!/usr/bin/python3
"""The handheld's loader under Wine: it starts only a module of its own
generation, with a sound header and dependency records, and ends a crashed
run with one line; the simulated platform refuses a module's wrong call as
it does the native program's; and the runner's --pe plays scripts the way
the native runner does.

    check_loader.py PE_DIRECTORY CLAVENET_SIM
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

import pefile

MODULES = {"950": "clavenet.dll", "20": "clavenet20.dll", "21": "clavenet21.dll"}

pe_directory = None
runner = None


def wine_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def load(loader_build, module_path):
    """Starts the module with an empty script; returns (status, stderr)."""
    # Wine as the runner sets it up (tools/clavenet-sim/wine.cpp), which has
    # made the prefix before these tests run.
    environment = dict(os.environ)
    environment.setdefault("WINEPREFIX", f"{pe_directory}/wineprefix")
    environment.setdefault("WINEDEBUG", "-all")
    environment.setdefault("WINEDLLOVERRIDES", "mscoree,mshtml=")
    # Wine's background processes must not inherit the output we wait on.
    subprocess.run(["wine", "cmd", "/c", "exit"], env=environment, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, timeout=60)
    result = subprocess.run(["wine", f"{pe_directory}/{loader_build}/loader.exe", wine_path(module_path),
                             b"empty".hex()], input=b"", capture_output=True, env=environment, timeout=60)
    return result.returncode, result.stderr.decode()


def export_address(pe, name):
    return {s.name.decode(): s.address for s in pe.DIRECTORY_ENTRY_EXPORT.symbols}[name]


class LoaderTest(unittest.TestCase):
    def setUp(self):
        self.directory = tempfile.mkdtemp()

    def tearDown(self):
        shutil.rmtree(self.directory)

    def patched(self, build, export=None, offset=0, data=b"", content=None):
        """A copy of the build's module, in a folder of its own (so that its
        imports resolve from the loader's folder only), with `data` written
        at `offset` bytes into the exported object, or made of `content`."""
        pe = pefile.PE(f"{pe_directory}/{build}/{MODULES[build]}")
        if content is None:
            content = bytearray(pe.__data__)
        if export is not None:
            file_offset = pe.get_offset_from_rva(export_address(pe, export) + offset)
            content[file_offset:file_offset + len(data)] = data
        copy = f"{self.directory}/{MODULES[build]}"
        with open(copy, "wb") as file:
            file.write(content)
        return copy

    def test_starts_a_sound_module_of_its_generation(self):
        for build in MODULES:
            with self.subTest(build=build):
                self.assertEqual(load(build, self.patched(build)), (0, ""))

    def test_refuses_a_module_of_another_generation(self):
        # Each generation's modules import ordinals that the others' UI
        # engines do not export, or from a kernel module they do not have.
        cases = [
            ("21", "20", "from UI32.dll, which does not export it"),
            ("20", "21", "from UI32.dll, which does not export it"),
            ("21", "950", "cannot load it (error 126)"),
            ("950", "21", "cannot load it (error 126)"),
            ("950", "20", "cannot load it (error 126)"),
        ]
        for loader_build, module_build, problem in cases:
            with self.subTest(loader=loader_build, module=module_build):
                status, errors = load(loader_build, self.patched(module_build))
                self.assertEqual(status, 1)
                self.assertIn(problem, errors)

    def test_refuses_a_module_whose_header_or_records_are_wrong(self):
        cases = [
            ("21", "RimHeader", 0, b"\xfe", "not a RIM application"),
            ("950", "RimHeader", 4, b"r", "not a RIM application"),
            ("20", "RimHeader", 7, b"!", "not a RIM application"),
            ("21", "RimHeader", 12, b"\x00\x02", "made for platform version 0x0200, this handheld runs 0x0201"),
            ("950", "RimHeader", 12, b"\x01\x02", "made for platform version 0x0201, this handheld runs 0x0104"),
            ("21", "RimHeader", 8, b"\x10\x00\x00\x00", "the application entry lies outside the module"),
            ("21", "_dUI32", 0, b"\x00\x00\x00\x00", "no valid dependency record _dUI32"),
            ("20", "_dRibbon", 0, b"\x04", "no valid dependency record _dRibbon"),
        ]
        for build, export, offset, data, problem in cases:
            with self.subTest(build=build, export=export, offset=offset):
                status, errors = load(build, self.patched(build, export, offset, data))
                self.assertEqual(status, 1)
                self.assertIn(problem, errors)

    def test_a_crash_of_the_application_ends_the_run_with_one_line(self):
        # The task starts in the name buffer: data, not code.
        for build in MODULES:
            with self.subTest(build=build):
                pe = pefile.PE(f"{pe_directory}/{build}/{MODULES[build]}")
                name_field = pe.get_data(export_address(pe, "RimHeader") + 16, 4)
                status, errors = load(build, self.patched(build, "RimHeader", 8, name_field))
                self.assertEqual(status, 1)
                self.assertRegex(errors, r"^clavenet-sim: .*: the application crashed \(exception 0x[0-9A-F]{8} at ")
                self.assertEqual(errors.count("\n"), 1)


    def test_a_wrong_call_of_the_module_is_a_platform_fault(self):
        # The title's own copy of the name, not the name buffer the header
        # points to, changed by one letter: the title is refused at start-up.
        for build in MODULES:
            with self.subTest(build=build):
                pe = pefile.PE(f"{pe_directory}/{build}/{MODULES[build]}")
                name_rva = int.from_bytes(pe.get_data(export_address(pe, "RimHeader") + 16, 4), "little") - \
                    pe.OPTIONAL_HEADER.ImageBase
                content = bytearray(pe.__data__)
                titles = [match.start() for match in re.finditer(b"Clavenet\0", content)
                          if match.start() != pe.get_offset_from_rva(name_rva)]
                self.assertEqual(len(titles), 1)
                content[titles[0] + 7:titles[0] + 8] = b"x"
                status, errors = load(build, self.patched(build, content=content))
                self.assertEqual((status, errors),
                                 (3, 'platform fault: title text (expected "Clavenet", got "Clavenex")\n'))


class RunnerTest(unittest.TestCase):
    def run_both(self, arguments, script):
        results = []
        for extra in ([], ["--pe"]):
            result = subprocess.run([runner, *extra, *arguments], input=script.encode(), capture_output=True,
                                    timeout=60)
            results.append((result.returncode, result.stdout.decode(), result.stderr.decode()))
        return results

    def test_standard_input_and_every_form_of_the_build_flag(self):
        script = "model flexis\nkeyboard on\ntype Hi!\nserial 0a 8a\nscreen\n"
        for arguments in (["--build", "950", "-"], ["--build=20"], ["-"]):
            with self.subTest(arguments=arguments):
                native, pe = self.run_both(arguments, script)
                self.assertEqual(native[0], 0)
                self.assertIn("RimPostMessage", native[1])
                self.assertEqual(pe, native)

    def test_a_bad_line_stops_both_alike(self):
        native, pe = self.run_both(["--build", "21", "-"], "model 2\nkeyboard on\nserial 1g\ntype never\n")
        self.assertEqual(native[0], 2)
        self.assertIn("-:3: error:", native[2])
        self.assertEqual(pe, native)

    def test_the_script_is_named_alike_whatever_its_name(self):
        with tempfile.TemporaryDirectory() as directory:
            script = os.path.join(directory, 'b\u00e4d "name".scn')
            with open(script, "w") as file:
                file.write("keyboard on\nbogus\n")
            native, pe = self.run_both(["--build", "20", script], "")
        self.assertEqual(native[0], 2)
        self.assertIn('b\u00e4d "name".scn:2: error:', native[2])
        self.assertEqual(pe, native)


if __name__ == "__main__":
    pe_directory, runner = sys.argv[1], sys.argv[2]
    unittest.main(argv=sys.argv[:1], verbosity=2)
