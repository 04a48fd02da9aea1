"""Reads the first sheet of a workbook with openpyxl and prints it as JSON: an independent
reader for the tests of the spreadsheet export. Exit status 3: openpyxl is missing."""
import json
import sys

try:
    import openpyxl
except ImportError:
    sys.exit(3)

book = openpyxl.load_workbook(sys.argv[1])
sheet = book.worksheets[0]
cells = []
for row in sheet.iter_rows():
    cells.append([{"type": c.data_type, "value": c.value, "format": c.number_format} for c in row])
print(json.dumps({
    "sheets": len(book.worksheets),
    "minRow": sheet.min_row, "minColumn": sheet.min_column,
    "maxRow": sheet.max_row, "maxColumn": sheet.max_column,
    "cells": cells,
}))
