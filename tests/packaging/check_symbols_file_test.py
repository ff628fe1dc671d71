#!/usr/bin/env python3
"""The symbols-file checker refuses each kind of wrong file and accepts a right one."""
import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from check_symbols_file import check, package_for, read_symbols_file  # noqa: E402

EXPORTED = ["Hostmark_GetUUID", "MD5Init(MD5Context*)", "castToIP4(sockaddr const*)"]
GOOD = """libhostmark.so.1 libhostmark1 #MINVER#
* Build-Depends-Package: libhostmark-dev
 Hostmark_GetUUID@Base 1.0.0
 (c++)"MD5Init(MD5Context*)@Base" 1.0.0
 (c++)"castToIP4(sockaddr const*)@Base" 1.0.0
"""


def problems_of(text, soname="libhostmark.so.1", exported=EXPORTED):
    with tempfile.NamedTemporaryFile("w", suffix=".symbols", delete=False) as f:
        f.write(text)
    try:
        header, entries, problems = read_symbols_file(f.name)
    finally:
        os.unlink(f.name)
    return problems + check(exported, soname, header, entries)


class SymbolsFileCheck(unittest.TestCase):
    def test_package_names_follow_the_soname(self):
        self.assertEqual(package_for("libcipherkit.so.1"), "libcipherkit1")
        self.assertEqual(package_for("libfoo2.so.3"), "libfoo2-3")
        self.assertIsNone(package_for("libsetupnet.so"))

    def test_a_matching_file_passes(self):
        self.assertEqual(problems_of(GOOD), [])

    def test_a_missing_or_extra_symbol_fails(self):
        self.assertIn("exported but not listed: castToIP4(sockaddr const*)",
                      problems_of(GOOD.replace(' (c++)"castToIP4(sockaddr const*)@Base" 1.0.0\n', "")))
        self.assertIn("listed but not exported: Hostmark_GetUUID",
                      problems_of(GOOD, exported=EXPORTED[1:]))

    def test_a_changed_signature_fails_both_ways(self):
        problems = problems_of(GOOD.replace("MD5Context*)@", "MD5Context const*)@"))
        self.assertIn("exported but not listed: MD5Init(MD5Context*)", problems)
        self.assertIn("listed but not exported: MD5Init(MD5Context const*)", problems)

    def test_a_wrong_header_fails(self):
        self.assertTrue(problems_of(GOOD, soname="libhostmark.so.2"))
        self.assertTrue(problems_of(GOOD.replace("libhostmark1 #MINVER#", "libhostmark #MINVER#")))

    def test_duplicates_versions_and_garbage_fail(self):
        self.assertIn("listed twice: Hostmark_GetUUID",
                      problems_of(GOOD + " Hostmark_GetUUID@Base 1.0.0\n"))
        self.assertTrue(problems_of(GOOD.replace("Hostmark_GetUUID@Base", "Hostmark_GetUUID@V1")))
        self.assertTrue(problems_of(GOOD + "Hostmark_GetUUID@Base\n"))
        self.assertTrue(problems_of(""))


if __name__ == "__main__":
    unittest.main()
