#!/usr/bin/python3
# Writes an OpenDocument spreadsheet with odfpy for the import tests.
# Usage: write_ods.py OUT.ods < rows.json
# Each row is a list of cells: a text, {"date": "2020-02-01"}, {"float": 3},
# {"formula": "of:=[.A1]*2", "float": 6}. A second sheet "Лист2" holds "x".
import json
import sys

from odf.opendocument import OpenDocumentSpreadsheet
from odf.table import Table, TableCell, TableRow
from odf.text import P


def cell(item):
    if isinstance(item, str):
        c = TableCell(valuetype="string")
        c.addElement(P(text=item))
        return c
    args = {}
    if "formula" in item:
        args["formula"] = item["formula"]
    if "date" in item:
        c = TableCell(valuetype="date", datevalue=item["date"], **args)
        c.addElement(P(text=item["date"]))
    else:
        c = TableCell(valuetype="float", value=item["float"], **args)
        c.addElement(P(text=str(item["float"])))
    return c


def sheet(name, rows):
    table = Table(name=name)
    for row in rows:
        tr = TableRow()
        for item in row:
            tr.addElement(cell(item))
        table.addElement(tr)
    return table


doc = OpenDocumentSpreadsheet()
doc.spreadsheet.addElement(sheet("Лист1", json.load(sys.stdin)))
doc.spreadsheet.addElement(sheet("Лист2", [["x"]]))
doc.save(sys.argv[1])
