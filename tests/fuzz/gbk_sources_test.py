#!/usr/bin/env python3
"""The GBK copy of the sources: which literals change, and which are refused."""
import os
import subprocess
import sys
import tempfile
import unittest

sys.dont_write_bytecode = True  # nothing is written beside the sources
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import gbk_sources  # noqa: E402

ZHONG = "中".encode("gbk")  # D6 D0


def convert(text):
    return gbk_sources.convert(text, "test.cpp")


class Literals(unittest.TestCase):
    def test_ordinary_literals_become_gbk_and_the_rest_stays(self):
        text = ('const char* a = "x中\\x41";  // "中" in a comment\n'
                'const char8_t* b = u8"中"; const wchar_t* c = L"中";\n'
                '/* "中" */ const char* d = R"q(中")q"; char e = \'"\';\n'
                'int f = 1\'000; const char* g = "\\"中";\n')
        out = convert(text)
        self.assertIn(b'"x' + ZHONG + b'\\x41"', out)
        self.assertIn('// "中" in a comment'.encode(), out)
        self.assertIn('u8"中"'.encode(), out)
        self.assertIn('L"中"'.encode(), out)
        self.assertIn('/* "中" */'.encode(), out)
        self.assertIn(b'R"q(' + ZHONG + b'")q"', out)
        self.assertIn(b"1'000", out)
        self.assertIn(b'"\\"' + ZHONG + b'"', out)

    def test_a_trail_byte_that_reads_as_a_backslash_is_refused(self):
        with self.assertRaises(gbk_sources.LiteralError) as refused:
            convert('int a;\nconst char* s = "乗";\n')
        self.assertIn("test.cpp:2", str(refused.exception))
        self.assertEqual(convert('const char* s = R"(乗)";'), 'const char* s = R"('.encode() + "乗".encode("gbk") + b')";')

    def test_files_are_written_only_when_they_change(self):
        with tempfile.TemporaryDirectory() as root:
            source, dest = os.path.join(root, "src"), os.path.join(root, "dest")
            os.makedirs(os.path.join(source, "unit"))
            with open(os.path.join(source, "unit", "a.cpp"), "w", encoding="utf-8") as f:
                f.write('const char* s = "中";\n')
            with open(os.path.join(source, "unit", "gone.h"), "w") as f:
                f.write("\n")
            run = [sys.executable, gbk_sources.__file__, source, dest, "unit"]
            subprocess.run(run, check=True)
            copy = os.path.join(dest, "unit", "a.cpp")
            os.utime(copy, (1, 1))
            os.remove(os.path.join(source, "unit", "gone.h"))
            subprocess.run(run, check=True)
            self.assertEqual(os.stat(copy).st_mtime, 1)
            self.assertFalse(os.path.exists(os.path.join(dest, "unit", "gone.h")))


if __name__ == "__main__":
    unittest.main()
