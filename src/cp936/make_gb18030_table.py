#!/usr/bin/env python3
"""Writes gb18030_table.inc: GB18030-2022 as the difference from code page 936 (table.inc),
from ICU's gb18030 converter through uconv(1), which is the 2005 edition, corrected to 2022.

    python3 src/cp936/make_gb18030_table.py > src/cp936/gb18030_table.inc

A code is one byte (ASCII), two (GBK's pairs, lead 81 to FE, trail 40 to FE but 7F) or four:
81-FE 30-39 81-FE 30-39, numbered from 81 30 81 30 upwards. The four-byte codes of the Basic
Multilingual Plane come in runs of consecutive characters; from 90 30 81 30 (number 189000)
on they are U+10000 to U+10FFFF in order.
"""
import bisect

from make_table import PAIRS, code_page_936, decode_each, encode_each, print_table

CONVERTER = 'gb18030'
SUPPLEMENTARY_FIRST = 189000

# GB18030-2022 against 2005: 18 pairs leave the Private Use Area for the characters 2005 gave
# four-byte codes, and those four-byte codes take the private characters the pairs held (the
# strict mapping: every character keeps one code of its own). (pair, 2022's character, the
# four-byte code that character had in 2005 and that now holds the pair's old character).
CHANGES_2022 = [
    (b'\xa6\xd9', 0xFE10, b'\x84\x31\x82\x36'), (b'\xa6\xda', 0xFE12, b'\x84\x31\x82\x38'),
    (b'\xa6\xdb', 0xFE11, b'\x84\x31\x82\x37'), (b'\xa6\xdc', 0xFE13, b'\x84\x31\x82\x39'),
    (b'\xa6\xdd', 0xFE14, b'\x84\x31\x83\x30'), (b'\xa6\xde', 0xFE15, b'\x84\x31\x83\x31'),
    (b'\xa6\xdf', 0xFE16, b'\x84\x31\x83\x32'), (b'\xa6\xec', 0xFE17, b'\x84\x31\x83\x33'),
    (b'\xa6\xed', 0xFE18, b'\x84\x31\x83\x34'), (b'\xa6\xf3', 0xFE19, b'\x84\x31\x83\x35'),
    (b'\xfe\x59', 0x9FB4, b'\x82\x35\x90\x37'), (b'\xfe\x61', 0x9FB5, b'\x82\x35\x90\x38'),
    (b'\xfe\x66', 0x9FB6, b'\x82\x35\x90\x39'), (b'\xfe\x67', 0x9FB7, b'\x82\x35\x91\x30'),
    (b'\xfe\x6d', 0x9FB8, b'\x82\x35\x91\x31'), (b'\xfe\x7e', 0x9FB9, b'\x82\x35\x91\x32'),
    (b'\xfe\x90', 0x9FBA, b'\x82\x35\x91\x33'), (b'\xfe\xa0', 0x9FBB, b'\x82\x35\x91\x34'),
]


def four_byte_number(code):
    return (((code[0] - 0x81) * 10 + code[1] - 0x30) * 126 + code[2] - 0x81) * 10 + code[3] - 0x30


def is_private(character):
    return 0xE000 <= character <= 0xF8FF


scalar_values = [c for c in range(0x110000) if not 0xD800 <= c <= 0xDFFF]
# ASCII is itself (the line end is left out: it parts the converter's lines).
ascii = [c for c in range(0x80) if c != 0x0A]
assert encode_each(CONVERTER, ascii) == [bytes([c]) for c in ascii]
codes_2005 = {c: bytes([c]) for c in range(0x80)}
codes_2005.update(zip(scalar_values[0x80:], encode_each(CONVERTER, scalar_values[0x80:])))
assert all(len(code) in (1, 2, 4) for code in codes_2005.values()), 'a character without a code'
pairs_2005 = dict(zip(PAIRS, decode_each(CONVERTER, PAIRS)))
decoded = decode_each(CONVERTER, [codes_2005[c] for c in scalar_values[0x80:]])
assert decoded == scalar_values[0x80:], 'ICU\'s own round trip'

# The 2022 edition.
codes = dict(codes_2005)
for (pair, character, four_bytes) in CHANGES_2022:
    private = pairs_2005[pair]
    assert is_private(private) and codes_2005[private] == pair
    assert codes_2005[character] == four_bytes
    codes[character], codes[private] = pair, four_bytes
assert len(set(codes.values())) == len(codes), 'two characters, one code'

# Every pair is a character; where it is not code page 936's, that pair is in the Private Use
# Area there (a user-defined pair, or one code page 936 left private until GB18030 filled it).
gbk, singles = code_page_936()
pairs = {code: c for (c, code) in codes.items() if len(code) == 2}
assert sorted(pairs) == [pair for pair in PAIRS if pair[1] != 0x7F]
apart = [(pair, pairs[pair]) for (pair, cp936) in zip(PAIRS, gbk) if cp936 and pairs[pair] != cp936]
for (pair, _) in apart:
    assert is_private(gbk[PAIRS.index(pair)]), 'a pair apart outside the Private Use Area'

# The Basic Multilingual Plane's four-byte codes, in runs of consecutive characters and
# numbers, ordered by number; they number 0 to the last without a gap.
four_byte = sorted((four_byte_number(code), c) for (c, code) in codes.items()
                   if len(code) == 4 and c < 0x10000)
assert [number for (number, _) in four_byte] == list(range(len(four_byte)))
runs = []
for (number, c) in four_byte:
    if not runs or c != runs[-1][1] + number - runs[-1][0]:
        runs.append((number, c))
assert all(four_byte_number(codes[c]) == SUPPLEMENTARY_FIRST + c - 0x10000
           for c in scalar_values if c >= 0x10000)


# The lookups gb18030.cpp makes, here over the data it gets: each must give every code.
apart_by_pair = dict(apart)
apart_by_character = {c: pair for (pair, c) in apart}
gbk_by_pair = dict(zip(PAIRS, gbk))
gbk_pair_of = {c: pair for (pair, c) in zip(PAIRS, gbk) if c}
run_ends = [number for (number, _) in runs[1:]] + [len(four_byte)]


def character_of(code):
    if len(code) == 1:
        return code[0]
    if len(code) == 2:
        return apart_by_pair.get(code, gbk_by_pair[code])
    number = four_byte_number(code)
    if number >= SUPPLEMENTARY_FIRST:
        return 0x10000 + number - SUPPLEMENTARY_FIRST
    (first_number, first) = runs[bisect.bisect_right(runs, (number, 0x110000)) - 1]
    return first + number - first_number


def code_of(character):
    if character < 0x80:
        return bytes([character])
    if character in apart_by_character:
        return apart_by_character[character]
    pair = gbk_pair_of.get(character)
    if pair is not None and pair not in apart_by_pair:
        return pair
    if character >= 0x10000:
        number = SUPPLEMENTARY_FIRST + character - 0x10000
    else:
        number = [first_number + character - first for ((first_number, first), end)
                  in zip(runs, run_ends) if first <= character < first + end - first_number][0]
    digits = []
    for radix in (10, 126, 10):
        digits.append(number % radix)
        number //= radix
    return bytes([0x81 + number, 0x30 + digits[2], 0x81 + digits[1], 0x30 + digits[0]])


for c in scalar_values:
    assert code_of(c) == codes[c] and character_of(codes[c]) == c, hex(c)

print('// Generated by make_gb18030_table.py from ICU\'s %s converter (the 2005 edition),' %
      CONVERTER)
print('// with the 18 pairs of GB18030-2022 and their four-byte codes changed: do not edit.')
print('// The pairs whose character is not code page 936\'s, by pair.')
print('constexpr gb18030_pair pairs_apart_from_cp936[%d] = {' % len(apart))
print_table('pairs', ['{0x%04X, 0x%04X}' % (pair[0] << 8 | pair[1], c) for (pair, c) in apart],
            per_line=5)
print('};')
print('// The four-byte codes of U+0080 to U+FFFF, in runs of consecutive characters, by number.')
print('constexpr four_byte_run four_byte_runs[%d] = {' % len(runs))
print_table('runs', ['{%d, 0x%04X}' % run for run in runs], per_line=5)
print('};')
print('constexpr std::uint32_t four_byte_numbers_in_plane_0 = %d;' % len(four_byte))
