#!/usr/bin/env python3
"""Writes the seed and regression inputs of the fuzz targets into fuzz/corpus/<target>/.

    python3 fuzz/make_seeds.py [CORPUS_FOLDER]

Well-formed property lists come from plistlib (XML and binary); old-style text, strings
files and the hostile inputs (deep nesting, binary object cycles and blow-ups, huge counts
and lengths, truncated files, wrong types, text that is not UTF-8) are written by hand here.
Files are named <kind>-<what>; the output is deterministic, so rerunning changes nothing.
Inputs that fuzzing turned up are kept beside these as found-<what> and are never rewritten.
"""
import datetime
import os
import plistlib
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))

# The pane target runs inside the fake machine's folder; these are FakeMachine's places for
# its one maker-distributed and one App Store copy (tests/support/fake_machine.cpp).
MAKER_APP = "root/Applications/quillet/Quillet.app"
MAKER_PLIST = "root/Library/Application Support/Velmora/quillet/QuilletProduct"
MAKER_BUNDLE_ID = "com.velmora.quillet.quillet"
STORE_SUPPORT = "home/tester/Library/Containers/com.velmora.quillet/Data/Library/Application Support/Quillet"
STORE_PLIST = STORE_SUPPORT + "/QuilletStore.plist"
STORE_TEMPLATE = STORE_SUPPORT + "/Template"
STORE_APP = "root/Applications/AppStore/com.velmora.quillet/Quillet.app"
PART_SEPARATOR = b"\n%%PGPART%%\n"


# ---------------------------------------------------------------- property-list writers

def xml(value):
    return plistlib.dumps(value, fmt=plistlib.FMT_XML, sort_keys=False)


def binary(value):
    return plistlib.dumps(value, fmt=plistlib.FMT_BINARY, sort_keys=False)


def old_style_text(value, indent=""):
    """Old-style (OpenStep) text; plistlib does not write it."""
    inner = indent + "    "
    if isinstance(value, dict):
        lines = ["{"]
        for key, item in value.items():
            lines.append("%s%s = %s;" % (inner, quote(key), old_style_text(item, inner)))
        lines.append(indent + "}")
        return "\n".join(lines)
    if isinstance(value, list):
        items = [inner + old_style_text(item, inner) for item in value]
        return "(\n" + ",\n".join(items) + "\n" + indent + ")" if items else "()"
    if isinstance(value, bytes):
        return "<" + value.hex() + ">"
    return quote(str(value))


def quote(text):
    if text and all(c.isalnum() or c in "_$.:/-" for c in text) and text.isascii():
        return text
    escaped = text.replace("\\", "\\\\").replace('"', '\\"').replace("\n", "\\n")
    return '"' + escaped + '"'


def old_style(value):
    return old_style_text(value).encode("utf-8") + b"\n"


def binary_plist(objects, top=0, ref_size=1, offset_size=2, count=None, table_offset=None,
                 offsets=None):
    """A binary property list from raw object bytes, with every trailer field settable."""
    body = bytearray(b"bplist00")
    positions = []
    for obj in objects:
        positions.append(len(body))
        body += obj
    table = len(body) if table_offset is None else table_offset
    for position in (positions if offsets is None else offsets):
        body += position.to_bytes(max(offset_size, 1), "big")
    body += bytes(6) + bytes([offset_size, ref_size])
    body += struct.pack(">QQQ", len(objects) if count is None else count, top, table)
    return bytes(body)


def array_object(refs, ref_size=1):
    marker = bytes([0xA0 | len(refs)]) if len(refs) < 15 else bytes([0xAF, 0x11]) + struct.pack(
        ">H", len(refs))
    return marker + b"".join(ref.to_bytes(ref_size, "big") for ref in refs)


def ascii_object(text):
    assert len(text) < 15
    return bytes([0x50 | len(text)]) + text


# ---------------------------------------------------------------- plist_read

SAMPLE = {
    "Name": "Quillet 5 Studio",
    "Unicode": "d\u00e9j\u00e0 vu \u2713 \u6e2c\u8a66 \U0001F600",
    "Count": 42,
    "Negative": -7,
    "Big": 2**63 - 1,
    "Ratio": 1.25,
    "Yes": True,
    "No": False,
    "When": datetime.datetime(2021, 3, 4, 5, 6, 7),
    "Blob": bytes(range(40)),
    "Empty": "",
    "List": ["a", 1, [], {}, b""],
    "Nested": {"Inner": {"Deeper": ["x", {"y": "z"}]}},
}

SHARED_DATA = {"Velmora": {"Brellion": {
    "quillet": {"Product Name": "Quillet", "Main Program": "/Applications/Quillet.app",
                "Current Data Vision": "5.2", "Minimum Data Version": "1.0",
                "Plist Path": "/Library/Application Support/Velmora/Quillet"},
    "brellion": {"Product Name": "Brellion", "Main Program": "/Applications/Brellion.app",
                 "Current Data Vision": "4", "Minimum Data Version": 1.5,
                 "Plist Path": "/Library/Application Support/Velmora/Brellion"},
}}}


def deep_binary(levels):
    objects = [array_object([i + 1], ref_size=2) for i in range(levels)]
    objects.append(ascii_object(b"end"))
    return binary_plist(objects, ref_size=2)


def blow_up_binary(levels, width):
    """Each level is an array of `width` references to the next: width**levels values."""
    objects = [array_object([i + 1] * width) for i in range(levels)]
    objects.append(ascii_object(b"leaf"))
    return binary_plist(objects)


def deep_wide_binary(chain, levels, keys=()):
    """Half a million shared values under a chain of arrays, nested just inside the depth limit,
    optionally inside dictionaries under `keys` (innermost first). Tiny on disk, but a
    description that indents every line by its depth would take about a gigabyte."""
    objects = []

    def add(obj):
        objects.append(obj)
        return len(objects) - 1

    node = add(ascii_object(b"a"))
    for _ in range(levels):
        node = add(array_object([node, node], ref_size=2))
    for _ in range(chain):
        node = add(array_object([node], ref_size=2))
    for key in keys:
        key_ref = add(ascii_object(key))
        node = add(bytes([0xD1]) + key_ref.to_bytes(2, "big") + node.to_bytes(2, "big"))
    return binary_plist(objects, top=node, ref_size=2)


def plist_read_inputs():
    good_binary = binary(SAMPLE)
    yield "xml-sample", xml(SAMPLE)
    yield "binary-sample", good_binary
    yield "xml-shared-data", xml(SHARED_DATA)
    yield "binary-shared-data", binary(SHARED_DATA)
    yield "oldstyle-shared-data", old_style(SHARED_DATA)
    yield "binary-array-top", binary(["a", 1, 2.5, True, b"\x00\x01"])
    yield "xml-string-top", xml("just a string")
    yield "oldstyle-mixed", (b'// a comment\n{ a = (1, "two", <0fbd 77aa>); "b c" = { d = e; };'
                             b' /* block */ f = "\\U00e9\\101\\n"; }\n')
    yield "oldstyle-strings-form", b'"Title" = "Pack";\nOK_BUTTON = OK;\n'
    yield "oldstyle-data", b"<48656c6c6f>"
    yield "utf16-oldstyle", "{ k = \"\u6e2c\u8a66\"; }".encode("utf-16")
    yield "utf16-xml", xml({"k": "v"}).decode().replace('"UTF-8"', '"UTF-16"').encode("utf-16")

    # Deep nesting: beyond the reader's depth limit and libxml2's element limit.
    yield "hostile-deep-oldstyle", b"(" * 700 + b")" * 700
    yield "hostile-deep-oldstyle-open", b"{a=" * 600
    yield "hostile-deep-xml", (b'<?xml version="1.0"?><plist version="1.0">' + b"<array>" * 300
                               + b"</array>" * 300 + b"</plist>")
    yield "hostile-deep-binary", deep_binary(600)
    # Binary object graphs: cycles and shared objects that expand exponentially.
    yield "hostile-binary-self-cycle", binary_plist([array_object([0])])
    yield "hostile-binary-two-cycle", binary_plist([array_object([1]), array_object([0])])
    yield "hostile-binary-dict-cycle", binary_plist(
        [bytes([0xD1, 1, 0]), ascii_object(b"k")])
    yield "hostile-binary-blow-up", blow_up_binary(24, 2)
    yield "hostile-binary-wide-blow-up", blow_up_binary(6, 14)
    yield "hostile-binary-deep-wide-description", deep_wide_binary(490, 18)
    # Huge counts and lengths that must be refused before anything is allocated.
    yield "hostile-binary-huge-count", binary_plist([ascii_object(b"a")], count=2**62)
    yield "hostile-binary-huge-string", binary_plist(
        [bytes([0x5F, 0x13]) + (2**62).to_bytes(8, "big") + b"abc"])
    yield "hostile-binary-huge-array", binary_plist(
        [bytes([0xAF, 0x13]) + (2**61).to_bytes(8, "big") + b"\x00"])
    yield "hostile-binary-huge-table-offset", binary_plist(
        [ascii_object(b"a")], table_offset=2**63 - 5)
    yield "hostile-binary-offset-outside", binary_plist([ascii_object(b"a")], offsets=[60000])
    yield "hostile-binary-offset-in-trailer", binary_plist([ascii_object(b"a")], offsets=[12])
    yield "hostile-binary-zero-sizes", binary_plist([ascii_object(b"a")], ref_size=0,
                                                     offset_size=0)
    yield "hostile-binary-top-outside", binary_plist([ascii_object(b"a")], top=5)
    yield "hostile-binary-ref-outside", binary_plist([array_object([9])])
    yield "hostile-binary-int16", binary_plist([bytes([0x14]) + bytes(16)])
    yield "hostile-binary-date-nan", binary_plist([bytes([0x33]) + b"\x7f\xf8" + bytes(6)])
    # Truncated files.
    yield "hostile-truncated-binary", good_binary[: len(good_binary) // 2]
    yield "hostile-truncated-binary-trailer", good_binary[:-10]
    yield "hostile-truncated-magic", b"bplist00"
    yield "hostile-truncated-xml", xml(SAMPLE)[:300]
    yield "hostile-truncated-oldstyle", old_style(SHARED_DATA)[:120]
    yield "hostile-unterminated-comment", b"{ a = b; /* no end"
    yield "hostile-unterminated-string", b'{ a = "no end'
    # Text that is not UTF-8, or UTF-16 that is broken.
    yield "hostile-latin1-xml", (b'<?xml version="1.0" encoding="UTF-8"?><plist><dict>'
                                 b"<key>k\xe9</key><string>caf\xe9</string></dict></plist>")
    yield "hostile-latin1-oldstyle", b"{ k = caf\xe9; \xff\xfe = x; }"
    yield "hostile-utf16-odd-length", b"\xff\xfe{\x00 \x00a\x00"
    yield "hostile-utf16-lone-surrogate", b"\xff\xfe(\x00\x00\xd8)\x00"
    yield "hostile-binary-lone-surrogate", binary_plist([bytes([0x61]) + b"\xd8\x00"])
    yield "hostile-binary-ascii-high-bytes", binary_plist([bytes([0x53]) + b"\xe9\xff\x80"])
    # XML that asks for entities: neither expanded nor fetched.
    yield "hostile-xml-entity-blow-up", (
        b'<?xml version="1.0"?><!DOCTYPE plist [<!ENTITY a "aaaaaaaaaa">'
        b'<!ENTITY b "&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;"><!ENTITY c "&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;">'
        b'<!ENTITY d "&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;"><!ENTITY e "&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;">'
        b']><plist><string>&e;&e;&e;&e;&e;&e;&e;&e;</string></plist>')
    yield "hostile-xml-external-entity", (
        b'<?xml version="1.0"?><!DOCTYPE plist [<!ENTITY x SYSTEM "file:///etc/passwd">]>'
        b"<plist><string>&x;</string></plist>")
    yield "hostile-xml-bad-values", (
        b"<plist><dict><key>i</key><integer>99999999999999999999999</integer><key>r</key>"
        b"<real>1e999</real><key>d</key><date>not a date</date><key>b</key>"
        b"<data>!!!not base64</data><key>n</key><integer></integer></dict></plist>")
    yield "hostile-xml-key-without-value", b"<plist><dict><key>a</key></dict></plist>"
    yield "hostile-xml-two-tops", b"<plist><string>a</string><string>b</string></plist>"


# ---------------------------------------------------------------- strings_table

def strings_table_inputs():
    yield "strings-form", (b'/* The pane */\n"Title" = "Quillet Content";\n'
                           b'"OK_BUTTON" = "OK"; // trailing\n'
                           b'"ID_WARN" = "Line one\\nLine \\"two\\"\\t\\U00e9";\n')
    yield "strings-form-bare-words", b"Title = Pack;\nkey = value;\n"
    yield "strings-form-utf16", '"Title" = "\u5167\u5bb9";\n'.encode("utf-16")
    yield "strings-dict", b'{ "Title" = "Pack"; "n" = 5; }'
    yield "strings-xml", xml({"Title": "Pack", "OK_BUTTON": "OK", "Count": 3, "List": ["a"]})
    yield "strings-binary", binary({"Title": "Pack", "Nested": {"a": "b"}, "Data": b"\x01"})
    yield "strings-only-comments", b"// nothing\n/* at all */\n"
    yield "strings-array-top", binary(["not", "a", "table"])
    yield "hostile-strings-no-semicolon", b'"a" = "b"\n"c" = "d";'
    yield "hostile-strings-unterminated", b'"a" = "b'
    yield "hostile-strings-deep-value", b'"a" = ' + b"(" * 700
    yield "hostile-strings-latin1", b'"a" = "caf\xe9";'
    yield "hostile-strings-octal-escapes", b'"a" = "\\777\\0\\U+D800\\Uffff\\";'


# ---------------------------------------------------------------- hex_cipher

def rc4(key, data):
    box = list(range(256))
    j = 0
    for i in range(256):
        j = (j + box[i] + key[i % len(key)]) % 256
        box[i], box[j] = box[j], box[i]
    i = j = 0
    out = bytearray()
    for byte in data:
        i = (i + 1) % 256
        j = (j + box[i]) % 256
        box[i], box[j] = box[j], box[i]
        out.append(byte ^ box[(box[i] + box[j]) % 256])
    return bytes(out)


def hex_input(passphrase, text):
    return bytes([len(passphrase)]) + passphrase + text


def hex_cipher_inputs():
    key = b"7k#Qw2-!mZ9x&p4@Lr"
    cipher = rc4(key, b'{"UserActivityInfo":{}}').hex().upper().encode()
    yield "cipher-text", hex_input(key, cipher)
    yield "cipher-plain", hex_input(key, b"hello, world")
    yield "cipher-utf8", hex_input(b"\xc3\xa9", "d\u00e9j\u00e0".encode())
    yield "hex-lower-case", hex_input(b"k", b"0a1b2c")
    yield "hex-odd-length", hex_input(b"k", b"ABC")
    yield "hex-bad-char", hex_input(b"k", b"AG")
    yield "hex-second-bad", hex_input(b"k", b"A g")
    yield "hex-zero-inside", hex_input(b"k", b"AB\x00CD")
    yield "hex-empty-passphrase", hex_input(b"", b"4142")
    yield "hex-deciphers-to-zero", hex_input(b"k", rc4(b"k", b"a\x00b").hex().upper().encode())
    yield "hex-long-passphrase", hex_input(b"P" * 31, b"00FF" * 8)


# ---------------------------------------------------------------- utf8_convert

def wide(*code_points):
    return b"".join(struct.pack("<I", c) for c in code_points)


def utf8_convert_inputs():
    yield "utf8-languages", "Quillet d\u00e9j\u00e0 \u6e2c\u8a66 \u0645\u0631\u062d\u0628\u0627 \U0001F600".encode()
    yield "utf8-limits", "\u007f\u0080\u07ff\u0800\uffff\U00010000\U0010ffff".encode()
    yield "utf8-overlong", b"ok\xc0\x80\xe0\x80\x80\xf0\x80\x80\x80"
    yield "utf8-surrogate", b"ok\xed\xa0\x80tail"
    yield "utf8-above-max", b"ok\xf4\x90\x80\x80tail"
    yield "utf8-truncated", b"ok\xe6\xb8"
    yield "utf8-stray-continuation", b"ok\x80\xbf"
    yield "utf8-bad-leads", b"\xf5\xf8\xfc\xfe\xff"
    yield "utf8-zero-inside", b"before\x00after"
    yield "wide-scalars", wide(0x41, 0xE9, 0x6E2C, 0x1F600, 0x10FFFF)
    yield "wide-surrogate", wide(0x41, 0xD800, 0x42)
    yield "wide-above-max", wide(0x41, 0x110000, 0x42)
    yield "wide-negative", wide(0x41, 0xFFFFFFFF)


# ---------------------------------------------------------------- feedback_record

def record_fields(*fields):
    return b"\xff".join(fields)


ABSENT = b"\xfe"


def feedback_record_inputs():
    yield "fields-host", record_fields(
        b"3F2504E0-4F89-11D3-9A0C-0305E82C3301", b"A1B2C3D4E5F6", b"QL5-7731-0042", b"0", b"0",
        b"0", b"0", b"Mac OS X", b"10.13.6", b"5.2.1.1187", b"Studio", b"1028",
        b"Resource-Step2", b"")
    yield "fields-absent", record_fields(*([ABSENT] * 14))
    yield "fields-json-breakers", record_fields(
        b'quo"te', b"back\\slash", b"new\nline", b"12abc", b"-0", b"007", b"", b"tab\there",
        b"\x01\x1f\x7f", b"\xc3\xa9\xe2\x9c\x93", b"</script>", b"99999999999999999999999999",
        b"Name}", b'Desc"}}')
    yield "fields-not-utf8", record_fields(b"\xc3", b"\xe9", b"ok", b"1\xff")
    yield "fields-few", record_fields(b"only", b"two")


# ---------------------------------------------------------------- pane_entry

def registry(*entries):
    return {"Velmora": {"Brellion": dict(entries)}}


def maker_entry(**changes):
    entry = {"Product Name": "Quillet", "Main Program": MAKER_APP,
             "Current Data Vision": "5.2", "Minimum Data Version": "1.0",
             "Plist Path": MAKER_PLIST}
    entry.update(changes)
    return {k: v for k, v in entry.items() if v is not None}


def container_record(**changes):
    record = {"Plist Path": STORE_PLIST, "Main Program": STORE_APP, "Current Data Version": "5.2"}
    record.update(changes)
    return {k: v for k, v in record.items() if v is not None}


def store_list(**changes):
    store = {"Product": "Quillet", "Product Title": "Quillet 5", "Template Data": STORE_TEMPLATE,
             "EM2": "QL5-AS-5521", "Version Code": "1301187"}
    store.update(changes)
    return {k: v for k, v in store.items() if v is not None}


def host_list(**changes):
    host = {"Bundle ID": MAKER_BUNDLE_ID, "Product Title": "Quillet 5 Studio",
            "Main Program": MAKER_APP}
    host.update(changes)
    return {k: v for k, v in host.items() if v is not None}


def machine(shared, record, store, host):
    return PART_SEPARATOR.join([shared, record, store, host])


def pane_entry_inputs():
    good = [registry(("quillet", maker_entry())), container_record(), store_list(), host_list()]
    yield "machine-xml", machine(*map(xml, good))
    yield "machine-binary", machine(*map(binary, good))
    yield "machine-oldstyle", machine(*map(old_style, good))
    yield "machine-mixed", machine(binary(good[0]), old_style(good[1]), xml(good[2]),
                                   binary(good[3]))
    yield "machine-empty", b""
    yield "machine-store-only", machine(b"", xml(good[1]), xml(good[2]), b"")
    many = registry(*(("q%02d" % i, maker_entry()) for i in range(12)))
    yield "machine-twelve-hosts", machine(binary(many), binary(good[1]), binary(good[2]),
                                          binary(good[3]))
    yield "machine-brellion-only", machine(
        xml(registry(("b", maker_entry(**{"Product Name": "Brellion"})))), b"", b"", b"")
    yield "machine-version-mismatch", machine(
        xml(registry(("q", maker_entry(**{"Current Data Vision": "6"})))), b"", b"", b"")
    yield "machine-store-no-title", machine(
        b"", xml(good[1]), xml(store_list(**{"Product Title": None})), b"")
    yield "machine-store-short-code", machine(
        b"", xml(good[1]), xml(store_list(**{"Version Code": "9"})), b"")
    yield "machine-store-emoji-code", machine(
        b"", xml(good[1]), xml(store_list(**{"Version Code": "1\U0001F6003"})), b"")
    yield "machine-store-missing-values", machine(
        b"", xml(good[1]), xml(store_list(**{"Template Data": None, "EM2": None})), b"")
    yield "machine-host-no-bundle-id", machine(
        xml(good[0]), b"", b"", xml(host_list(**{"Bundle ID": None})))
    yield "machine-host-missing-values", machine(
        xml(good[0]), b"", b"", xml(host_list(**{"Product Title": None, "Main Program": None})))
    # Wrong types where strings are expected, at every level.
    yield "wrong-types-top", machine(xml({"Velmora": "not a dict"}), xml(["array"]),
                                     xml("string top"), xml([1, 2]))
    yield "wrong-types-registry", machine(xml({"Velmora": {"Brellion": ["a", "b"]}}),
                                          xml(container_record(**{"Plist Path": {"a": "b"}})),
                                          b"", b"")
    yield "wrong-types-entry", machine(
        xml(registry(("q", maker_entry(**{"Main Program": 5, "Product Name": ["Quillet"],
                                          "Plist Path": b"\x00"})),
                     ("r", "an entry that is a string"))),
        xml(container_record(**{"Main Program": True, "Current Data Version": 5.2})),
        xml(store_list(**{"Product": {"x": 1}, "Version Code": 1301187, "EM2": b"\x01"})),
        xml(host_list(**{"Bundle ID": 7, "Product Title": ["t"]})))
    yield "wrong-types-numbers", machine(
        xml(registry(("q", maker_entry(**{"Minimum Data Version": 1.0})))), b"", b"",
        xml(good[3]))
    # Values that are hard to carry: control characters, non-UTF-8, paths that go elsewhere.
    yield "values-control-chars", machine(
        xml(good[0]), xml(good[1]),
        binary(store_list(**{"EM2": "a\x01b\rc", "Product Title": "T\x00itle"})),
        binary(host_list(**{"Product Title": "Tab\tNew\nLine"})))
    yield "values-odd-paths", machine(
        xml(registry(("q", maker_entry(**{"Main Program": "/", "Plist Path": "/dev/null"})),
                     ("r", maker_entry(**{"Main Program": "/proc/self",
                                          "Plist Path": "../../../../../../etc/hostname"})),
                     ("", maker_entry(**{"Main Program": "", "Plist Path": ""})))),
        xml(container_record(**{"Plist Path": "/dev/zero"})), b"", b"")
    yield "values-non-utf8", machine(
        b"{ Velmora = { Brellion = { q\xe9 = { \"Product Name\" = Quillet; }; }; }; }",
        b"", b"", b"")
    # Hostile files in the places the pane reads.
    yield "hostile-deep-shared-data", machine(b"{a=" * 600, b"(" * 700, b"", b"")
    yield "hostile-deep-wide-registry", machine(
        deep_wide_binary(490, 18, keys=(b"x", b"Brellion", b"Velmora")), b"", b"", b"")
    yield "hostile-cycle-records", machine(
        binary_plist([array_object([0])]), binary_plist([array_object([1]), array_object([0])]),
        blow_up_binary(24, 2), b"bplist00")
    yield "hostile-truncated-records", machine(
        binary(good[0])[:-7], xml(good[1])[:100], binary(good[2])[:40], old_style(good[3])[:30])


TARGETS = {
    "plist_read": plist_read_inputs,
    "strings_table": strings_table_inputs,
    "hex_cipher": hex_cipher_inputs,
    "utf8_convert": utf8_convert_inputs,
    "feedback_record": feedback_record_inputs,
    "pane_entry": pane_entry_inputs,
}


def main():
    corpus = sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "corpus")
    for target, inputs in TARGETS.items():
        folder = os.path.join(corpus, target)
        os.makedirs(folder, exist_ok=True)
        for name, data in inputs():
            with open(os.path.join(folder, name), "wb") as out:
                out.write(data)


if __name__ == "__main__":
    main()
