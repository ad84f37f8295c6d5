#!/usr/bin/python3
"""Writes a price list workbook with xlwt: a merged title, a bold yellow header with borders,
then ROWS goods in Russian with a price, a quantity and a date, as a shop keeps them.

Usage: make_pricelist.py OUT.xls [ROWS]
"""
import datetime
import sys

import xlwt


def main():
    out = sys.argv[1]
    rows = int(sys.argv[2]) if len(sys.argv) > 2 else 60000
    book = xlwt.Workbook(encoding="utf-8")
    sheet = book.add_sheet("Прайс")
    title = xlwt.easyxf("font: bold on, height 280; align: horiz center")
    header = xlwt.easyxf(
        "font: bold on; pattern: pattern solid, fore_colour yellow; "
        "borders: left thin, right thin, top thin, bottom thin; align: wrap on")
    text = xlwt.easyxf("")
    price = xlwt.easyxf(num_format_str="#,##0.00")
    quantity = xlwt.easyxf(num_format_str="0")
    date = xlwt.easyxf(num_format_str="dd.mm.yyyy")
    sheet.write_merge(0, 0, 0, 5, "Прайс-лист ООО «Тарво» на 10.12.2026", title)
    for column, caption in enumerate(["Код", "Наименование", "Ед.", "Цена, руб.", "Остаток", "Поступление"]):
        sheet.write(1, column, caption, header)
    for width, column in zip([10, 48, 6, 12, 10, 12], range(6)):
        sheet.col(column).width = width * 256
    start = datetime.date(2026, 1, 1)
    units = ["шт", "уп", "кг", "м"]
    for i in range(rows):
        r = i + 2
        sheet.write(r, 0, "A%06d" % (i + 1), text)
        sheet.write(r, 1, "Товар №%d, арт. %d & <серия %d>" % (i + 1, 1000 + i * 7 % 9000, i % 50), text)
        sheet.write(r, 2, units[i % len(units)], text)
        sheet.write(r, 3, 10 + (i * 37 % 100000) / 100.0, price)
        sheet.write(r, 4, i * 13 % 500, quantity)
        sheet.write(r, 5, start + datetime.timedelta(days=i % 340), date)
    book.save(out)


if __name__ == "__main__":
    main()
