"""Writes every record of a .DBF as CSV on standard output with Python's dbfread: the same
work as `tabletool dump`, for the side-by-side figures of tabletool_bench.py."""
import csv
import sys

from dbfread import DBF

table = DBF(sys.argv[1], encoding="cp1251")
out = csv.writer(sys.stdout, lineterminator="\n")
out.writerow(["deleted"] + table.field_names)
for record in table:
    out.writerow([""] + list(record.values()))
