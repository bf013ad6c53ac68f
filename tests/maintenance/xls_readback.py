#!/usr/bin/python3
"""Reads a workbook with xlrd and with gnumeric's ssconvert and compares
every cell with the dump the test expects (see XlsReadBack.h for its form).

usage: xls_readback.py EXPECTED WORKBOOK WORKDIR [--types]

Prints the first difference of each reader and exits 1 when there is one;
prints nothing and exits 0 when both readers agree with EXPECTED. With
--types, gnumeric's own file format is read as well, for the kind of every
cell (text or number), which its CSV export does not show.

Readers' limits, made explicit here rather than hidden: gnumeric keeps a
text only up to its first U+0000, so a text holding one is compared up to
it for gnumeric (xlrd compares it whole). Dates are compared as the day
Excel's 1900 date system gives for the serial number each reader returns.
"""

import csv
import datetime
import os
import re
import subprocess
import sys

import xlrd

ESCAPES = {c: '\\x%02x' % c for c in list(range(0x20)) + [0x7F]}
ESCAPES.update({0x5C: '\\\\', 0x09: '\\t', 0x0A: '\\n', 0x0D: '\\r'})
UNESCAPE = re.compile(r'\\(x[0-9a-f]{2}|.)')


def escape(text):
    return text.translate(ESCAPES)


def unescape(text):
    def one(m):
        e = m.group(1)
        return {'\\': '\\', 't': '\t', 'n': '\n', 'r': '\r'}.get(e) or chr(int(e[1:], 16))
    return UNESCAPE.sub(one, text)


def serial_day(serial):
    """The day of a serial number in Excel's 1900 date system, which counts
    a 29 February 1900 that never was (serial 60)."""
    if serial != int(serial):
        return 'not a whole day: %r' % serial
    serial = int(serial)
    if serial == 60:
        return '1900-02-29'
    if serial < 1:
        return 'before 1900: %d' % serial
    base = datetime.date(1899, 12, 31 if serial < 60 else 30)
    return (base + datetime.timedelta(days=serial)).isoformat()


def number(value):
    return 'n:%.17g' % value


def read_expected(path):
    with open(path, 'rb') as f:
        lines = f.read().decode('utf-8', 'surrogatepass').split('\n')
    if lines and lines[-1] == '':
        lines.pop()
    sheets = []
    for line in lines:
        if line.startswith('sheet\t'):
            sheets.append((line[6:], []))
        else:
            sheets[-1][1].append(line.split('\t'))
    return sheets


def first_difference(reader, expected, actual):
    """Compares sheets of rows of cells; returns a sentence or None."""
    if [name for name, _ in expected] != [name for name, _ in actual]:
        return '%s: sheets %r, expected %r' % (
            reader, [n for n, _ in actual], [n for n, _ in expected])
    for (name, want), (_, got) in zip(expected, actual):
        if len(got) != len(want):
            return '%s: %s has %d rows, expected %d' % (reader, name, len(got), len(want))
        for r, (w, g) in enumerate(zip(want, got)):
            if w != g:
                for c, (wc, gc) in enumerate(zip(w, g)):
                    if wc != gc:
                        return '%s: %s row %d column %d is %.300r, expected %.300r' % (
                            reader, name, r, c, gc, wc)
                return '%s: %s row %d is %.300r, expected %.300r' % (reader, name, r, g, w)
    return None


def read_xlrd(path, columns):
    book = xlrd.open_workbook(path)
    sheets = []
    for sheet in book.sheets():
        rows = []
        for r in range(sheet.nrows):
            cells = []
            for c in range(columns):
                if c >= sheet.ncols:
                    cells.append('')
                    continue
                cell = sheet.cell(r, c)
                if cell.ctype == xlrd.XL_CELL_EMPTY:
                    cells.append('')
                elif cell.ctype == xlrd.XL_CELL_TEXT:
                    cells.append('s:' + escape(cell.value))
                elif cell.ctype == xlrd.XL_CELL_NUMBER:
                    cells.append(number(cell.value))
                elif cell.ctype == xlrd.XL_CELL_DATE:
                    cells.append('d:' + serial_day(cell.value))
                else:
                    cells.append('?:%d:%r' % (cell.ctype, cell.value))
            rows.append(cells)
        sheets.append((sheet.name, rows))
    return sheets


def ssconvert(args):
    env = dict(os.environ)
    env.pop('DISPLAY', None)  # a command-line program: no display, none needed
    env.pop('WAYLAND_DISPLAY', None)
    done = subprocess.run(['ssconvert'] + args, env=env, stdout=subprocess.PIPE,
                          stderr=subprocess.PIPE)
    if done.returncode != 0:
        raise RuntimeError('ssconvert failed: %s' % done.stderr.decode(errors='replace'))


def read_gnumeric(path, workdir, expected):
    """Gnumeric's cells as text (its CSV export, values unformatted), set
    beside the expected cells: a number or date is compared by value."""
    for old in os.listdir(workdir):
        if old.startswith('gnumeric-'):
            os.remove(os.path.join(workdir, old))
    ssconvert(['-S', '-T', 'Gnumeric_stf:stf_assistant', '-O',
               'format=raw separator=, quote="\\"" eol=unix charset=UTF-8',
               path, os.path.join(workdir, 'gnumeric-%n-%s.csv')])
    files = sorted((int(f.split('-')[1]), f) for f in os.listdir(workdir)
                   if f.startswith('gnumeric-') and f.endswith('.csv'))
    sheets = []
    for index, f in files:
        name = f.split('-', 2)[2][:-4]
        with open(os.path.join(workdir, f), newline='', encoding='utf-8') as csvfile:
            rows = list(csv.reader(csvfile))
        want = expected[index][1] if index < len(expected) else []
        out = []
        for r, fields in enumerate(rows):
            cells = []
            for c in range(len(want[r]) if r < len(want) else len(fields)):
                field = fields[c] if c < len(fields) else ''
                w = want[r][c] if r < len(want) else ''
                cells.append(gnumeric_cell(field, w))
            out.append(cells)
        sheets.append((name, out))
    return sheets


def gnumeric_cell(field, want):
    kind = want[:2]
    if field == '':
        # A text gnumeric cut at a U+0000 that is its first character.
        if kind == 's:' and unescape(want[2:]).startswith('\0'):
            return want
        return ''
    if kind == 's:':
        text = unescape(want[2:])
        if '\0' in text and field == text[:text.index('\0')]:
            return want
        return 's:' + escape(field)
    try:
        value = float(field)
    except ValueError:
        return 's:' + escape(field)
    if kind == 'd:':
        return 'd:' + serial_day(value)
    return number(value)


def read_gnumeric_types(path, workdir, expected):
    """The kind of each cell in gnumeric's own file: 60 text, 40 number."""
    xml = os.path.join(workdir, 'gnumeric.xml')
    ssconvert(['-T', 'Gnumeric_XmlIO:sax:0', path, xml])
    with open(xml, 'rb') as f:
        data = f.read().decode('utf-8', 'replace')
    sheets = []
    cell = re.compile(r'<gnm:Cell Row="(\d+)" Col="(\d+)" ValueType="(\d+)"')
    for part in data.split('<gnm:Sheet ')[1:]:
        name = re.search(r'<gnm:Name>([^<]*)</gnm:Name>', part).group(1)
        types = {(int(r), int(c)): int(t) for r, c, t in cell.findall(part)}
        index = len(sheets)
        want = expected[index][1] if index < len(expected) else []
        rows = []
        for r, row in enumerate(want):
            cells = []
            for c, w in enumerate(row):
                t = types.get((r, c))
                kind = w[:2]
                if t is None:
                    # A text holding only what gnumeric cuts at U+0000.
                    empty = kind == 's:' and unescape(w[2:]).startswith('\0')
                    cells.append(w if w == '' or empty else 'missing')
                elif kind == 's:' and t == 60 or kind in ('n:', 'd:') and t in (30, 40):
                    cells.append(w)
                else:
                    cells.append('type %d' % t)
            rows.append(cells)
        extra = [k for k in types if k[0] >= len(want)]
        if extra:
            rows.append(['cells beyond the last row: %r' % extra[:3]])
        sheets.append((name, rows))
    return sheets


def main():
    args = [a for a in sys.argv[1:] if not a.startswith('--')]
    types = '--types' in sys.argv
    expected_path, workbook, workdir = args
    expected = read_expected(expected_path)
    columns = len(expected[0][1][0]) if expected and expected[0][1] else 0
    problems = []
    try:
        problems.append(first_difference('xlrd', expected, read_xlrd(workbook, columns)))
    except Exception as e:  # a reader that fails is a difference too
        problems.append('xlrd: %s: %s' % (type(e).__name__, e))
    try:
        problems.append(first_difference('gnumeric', expected,
                                         read_gnumeric(workbook, workdir, expected)))
        if types:
            problems.append(first_difference('gnumeric kinds', expected,
                                             read_gnumeric_types(workbook, workdir, expected)))
    except Exception as e:
        problems.append('gnumeric: %s: %s' % (type(e).__name__, e))
    problems = [p for p in problems if p]
    for p in problems:
        print(p)
    return 1 if problems else 0


if __name__ == '__main__':
    sys.exit(main())
