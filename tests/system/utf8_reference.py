#!/usr/bin/env python3
"""Python's own UTF-8 codec as the reference for the platform's codec (utf8_text_test.cpp).

  utf8_reference.py decode IN OUT   IN: one hex byte string a line. OUT, for each line:
                                    "<valid 0|1> <stop> <replace>", each a list of code points
                                    in hex joined by ',' ('-' for none).
  utf8_reference.py encode OUT      OUT: the UTF-8 of every scalar value, in order.
"""
import codecs
import sys


def one_byte_replace(error):
    # Each byte that starts no well-formed sequence becomes one U+FFFD, and decoding goes on
    # at the very next byte.
    return ("\ufffd", error.start + 1)


codecs.register_error("packgate-one-byte", one_byte_replace)


def points(text):
    return ",".join("%X" % ord(c) for c in text) or "-"


def decode(data):
    try:
        stop = data.decode("utf-8")
        valid = 1
    except UnicodeDecodeError as error:
        stop = data[: error.start].decode("utf-8")
        valid = 0
    replace = data.decode("utf-8", "packgate-one-byte")
    return "%d %s %s" % (valid, points(stop), points(replace))


def main(argv):
    if argv[1] == "decode":
        with open(argv[2]) as cases, open(argv[3], "w") as out:
            for line in cases:
                out.write(decode(bytes.fromhex(line.strip())) + "\n")
        return 0
    if argv[1] == "encode":
        with open(argv[2], "wb") as out:
            for c in range(0x110000):
                if not 0xD800 <= c <= 0xDFFF:
                    out.write(chr(c).encode("utf-8"))
        return 0
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
