"""Reads Excel 97-2003 files with xlrd, an independent reader, and prints what
it finds in a line format that the tests parse:

  F <path>                      one file follows
  W <text>                      a warning xlrd logged while opening it
  E <text>                      the file did not open
  S <sheet name, UTF-8 hex>     one per sheet, in order
  N <rows> <columns>            size of the first sheet
  C <row> <col> n <repr>        a number cell (0-based)
  C <row> <col> s <UTF-8 hex>   a text cell
  C <row> <col> x <type>        any other kind of cell (empty ones are left out)
  K <row> <col> <UTF-8 hex>     a number cell's format, where it is not General

With --stream, each argument is "file.xls=expected.bin": the compound file's
Workbook stream is compared with the expected bytes (zero padding allowed at
the end) and "F <path>" is followed by "OK" or "DIFF <details>".
"""
import io
import sys

import xlrd
from xlrd import compdoc


def read_books(paths):
    for path in paths:
        print("F", path)
        log = io.StringIO()
        try:
            book = xlrd.open_workbook(path, logfile=log, on_demand=False, formatting_info=True)
        except Exception as e:  # noqa: BLE001 - any failure is reported
            print("E", type(e).__name__, str(e).replace("\n", " "))
            continue
        for line in log.getvalue().splitlines():
            if line.strip():
                print("W", line)
        for name in book.sheet_names():
            print("S", name.encode("utf-8").hex())
        sheet = book.sheet_by_index(0)
        print("N", sheet.nrows, sheet.ncols)
        for r in range(sheet.nrows):
            for c in range(sheet.row_len(r)):
                cell = sheet.cell(r, c)
                if cell.ctype == xlrd.XL_CELL_NUMBER:
                    print("C", r, c, "n", repr(cell.value))
                    key = book.xf_list[cell.xf_index].format_key
                    code = book.format_map[key].format_str
                    if code != "General":
                        print("K", r, c, code.encode("utf-8").hex())
                elif cell.ctype == xlrd.XL_CELL_TEXT:
                    print("C", r, c, "s", cell.value.encode("utf-8").hex())
                elif cell.ctype != xlrd.XL_CELL_EMPTY:
                    print("C", r, c, "x", cell.ctype)


def read_streams(pairs):
    for pair in pairs:
        path, expected_path = pair.split("=", 1)
        print("F", path)
        with open(path, "rb") as f:
            data = f.read()
        with open(expected_path, "rb") as f:
            expected = f.read()
        log = io.StringIO()
        try:
            doc = compdoc.CompDoc(data, logfile=log)
            stream = doc.get_named_stream("Workbook")
        except Exception as e:  # noqa: BLE001
            print("DIFF", type(e).__name__, str(e).replace("\n", " "))
            continue
        warnings = [l for l in log.getvalue().splitlines() if l.strip()]
        if stream is None:
            print("DIFF no Workbook stream")
        elif stream[: len(expected)] != expected:
            print("DIFF content differs, length", len(stream), "expected", len(expected))
        elif stream[len(expected):].strip(b"\0"):
            print("DIFF padding is not zero")
        elif len(stream) != max(len(expected), 4096):
            print("DIFF length", len(stream))
        elif warnings:
            print("DIFF warnings:", " | ".join(warnings))
        else:
            print("OK")


if __name__ == "__main__":
    if sys.argv[1:2] == ["--stream"]:
        read_streams(sys.argv[2:])
    else:
        read_books(sys.argv[1:])
