#!/usr/bin/env python3
"""Prints the first sheet of an .xlsx as JSON, read by openpyxl (a reader independent of the
writer): {"sheets": N, "rows": [[null | ["n", number] | ["s", text], ...], ...]}."""
import json
import sys

import openpyxl

book = openpyxl.load_workbook(sys.argv[1])
sheet = book.worksheets[0]
rows = []
for row in sheet.iter_rows(min_row=1, max_row=sheet.max_row, max_col=sheet.max_column):
    cells = []
    for cell in row:
        if cell.value is None:
            cells.append(None)
        else:
            cells.append([cell.data_type, cell.value])
    rows.append(cells)
print(json.dumps({"sheets": len(book.worksheets), "rows": rows}, ensure_ascii=False))
