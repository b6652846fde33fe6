#!/usr/bin/python3
# Writes the staff list of an office, as offices send them, with a real
# spreadsheet writer for the import tests.
# Usage: write_office_list.py openpyxl|odfpy|xlwt OUT
# The first sheet is a title page; the second holds a signature block above
# the header (line 12), an organisation merged down four rows (in .xls written
# in each row: libfreexl reports no merged cells), dates in several
# spellings, a date cell and a serial day number, and a footer. In .ods one
# name is the text result of a formula.
import datetime
import sys

BLOCK = ["УТВЕРЖДАЮ", "Генеральный директор", "ООО «Щит»", "__________ А.Б. Петров",
         "«01» февраля 2026 г.", "", "СПИСОК", "работников охраны", "", "", ""]
HEADER = ["№", "Ф.И.О. работника", "Должность", "Организация", "Дата выдачи личной карточки охранника"]
DATE = datetime.date(2026, 2, 1)
# Organisation None: covered by the merged cell above. A date None: empty.
ROWS = [
    [1, "Иванов Иван Иванович", "охранник", "ООО «Щит»", DATE],
    [2, "Петров Пётр Петрович", "охранник", None, "01.02.2026г."],
    [3, "Сидорова Анна Ивановна", "старший охранник", None, "1 февраля 2026 г."],
    [4, "Ёлкин Олег", "охранник", None, 46054],
    [5, "Кузнецов Кирилл", "охранник", 'OOO "Щит"', "с 02.02.2026"],
    [6, "Морозов Максим", "охранник", "ООО Щит", ""],
    [7, "Волков Виктор", "охранник", "ЧОО «Сокол»", "03.02.2026"],
]
FOOTER = [["Всего: 7 человек"], ["Руководитель", "__________ (подпись)", "", "А.Б. Петров"], ["М.П."]]
FIRST = len(BLOCK) + 1  # index of the first data row, from 0


def lines():
    return [[text] for text in BLOCK] + [HEADER] + ROWS + FOOTER


def write_openpyxl(path):
    import openpyxl
    book = openpyxl.Workbook()
    book.active.title = "Титул"
    book.active["A1"] = "Список сотрудников на 2026 год"
    sheet = book.create_sheet("Сотрудники")
    for r, row in enumerate(lines(), start=1):
        for c, value in enumerate(row, start=1):
            if value is not None and value != "":
                cell = sheet.cell(row=r, column=c, value=value)
                if isinstance(value, datetime.date):
                    cell.number_format = "DD.MM.YYYY"
    sheet.merge_cells(start_row=FIRST + 1, start_column=4, end_row=FIRST + 4, end_column=4)
    book.save(path)


def write_xlwt(path):
    import xlwt
    book = xlwt.Workbook(encoding="utf-8")
    book.add_sheet("Титул").write(0, 0, "Список сотрудников на 2026 год")
    sheet = book.add_sheet("Сотрудники")
    date_style = xlwt.easyxf(num_format_str="DD.MM.YYYY")
    for r, row in enumerate(lines()):
        for c, value in enumerate(row):
            if r in range(FIRST + 1, FIRST + 4) and c == 3:
                value = ROWS[0][3]
            if isinstance(value, datetime.date):
                sheet.write(r, c, value, date_style)
            elif value is not None and value != "":
                sheet.write(r, c, value)
    book.save(path)


def write_odfpy(path):
    from odf.opendocument import OpenDocumentSpreadsheet
    from odf.table import CoveredTableCell, Table, TableCell, TableRow
    from odf.text import P

    def cell(value, rows=1, formula=None):
        args = {"numberrowsspanned": rows} if rows > 1 else {}
        if formula:
            args["formula"] = formula
        if isinstance(value, datetime.date):
            c = TableCell(valuetype="date", datevalue=value.isoformat(), **args)
            text = value.strftime("%d.%m.%Y")
        elif isinstance(value, int):
            c = TableCell(valuetype="float", value=value, **args)
            text = str(value)
        else:
            c = TableCell(valuetype="string", **args)
            text = value or ""
        if text:
            c.addElement(P(text=text))
        return c

    doc = OpenDocumentSpreadsheet()
    title = Table(name="Титул")
    row = TableRow()
    row.addElement(cell("Список сотрудников на 2026 год"))
    title.addElement(row)
    doc.spreadsheet.addElement(title)
    sheet = Table(name="Сотрудники")
    for r, values in enumerate(lines()):
        row = TableRow()
        for c, value in enumerate(values):
            if c == 3 and r in range(FIRST + 1, FIRST + 4):
                row.addElement(CoveredTableCell())
            else:
                formula = 'of:=CONCATENATE("Морозов";" ";"Максим")' if value == "Морозов Максим" else None
                row.addElement(cell(value, 4 if (c == 3 and r == FIRST) else 1, formula))
        sheet.addElement(row)
    doc.spreadsheet.addElement(sheet)
    doc.save(path)


{"openpyxl": write_openpyxl, "xlwt": write_xlwt, "odfpy": write_odfpy}[sys.argv[1]](sys.argv[2])
