#!/usr/bin/python3
"""Writes the workbooks and FoxPro tables the import tests read.

make_sources.py OUTDIR NAME...   NAME is one of the files below; "rows.xls:N" and "rows.dbf:N"
write a table of N students, "blanks.xls:N" the same rows under Chinese headers with blanks
around them, "gaps.xls" a long sheet whose later rows differ from its first ones, "low.xls" a
table whose header lies on row 10, "styled.xls" formatting without values, "repeated.xls" one
long text in every cell of 500 rows, "far.xls" ten rows and one number in the sheet's last cell,
"mixed.xls" columns with cells of other kinds than most of theirs.
"""
import datetime
import os
import sys

import dbf
import xlwt

DATE = xlwt.easyxf(num_format_str='yyyy-mm-dd')
DATETIME = xlwt.easyxf(num_format_str='yyyy-mm-dd hh:mm:ss')


def school_xls(path):
    """Sheets in an order that is not alphabetical; Chinese text, numbers, dates, a mixed column
    and a column without a header."""
    book = xlwt.Workbook(encoding='utf-8')
    sheet = book.add_sheet('成绩表')
    for col, title in enumerate(['学号', '姓名', '班级', 'P1', 'P2', '考试日期', '', '混合', '备注']):
        if title:
            sheet.write(0, col, title)
    rows = [
        ('020070145', '学生甲', 3, 85.5, 40, datetime.date(2024, 5, 6), 'x', 12, "O'Neil"),
        ('020070146', '学生乙', 12, None, 38.5, datetime.datetime(2024, 5, 6, 7, 8, 9), None, '13', None),
        ('020070147', '学生丙', 3, '缺考', 0, datetime.date(2024, 5, 7), None, '十四', '备注'),
        ('020070148', '学生丁', 1, 120, None, None, None, 15.5, None),
        (20070149, '王小明', 2, 100, 50, datetime.date(2023, 12, 31), None, None, 'a|b'),
    ]
    for r, row in enumerate(rows, start=1):
        for col, value in enumerate(row):
            if value is None:
                continue
            if isinstance(value, datetime.datetime):
                sheet.write(r, col, value, DATETIME)
            elif isinstance(value, datetime.date):
                sheet.write(r, col, value, DATE)
            else:
                sheet.write(r, col, value)
    second = book.add_sheet('Another')
    second.write(0, 0, 'XH')
    second.write(0, 1, 'XH')
    second.write(0, 2, 'xh')
    second.write(1, 0, 1)
    second.write(1, 1, 2)
    second.write(1, 2, 3)
    odd = book.add_sheet("班 'a|b'")
    odd.write(0, 0, '名 "甲"|乙')
    odd.write(1, 0, 'one')
    book.add_sheet('Empty')
    book.save(path)


def rows_xls(path, count, titles=('XH', 'XM', 'BJ', 'P1', 'P2')):
    book = xlwt.Workbook(encoding='utf-8')
    sheet = book.add_sheet('Sheet1')
    for col, title in enumerate(titles):
        sheet.write(0, col, title)
    for i in range(count):
        sheet.write(i + 1, 0, '0200%05d' % i)
        sheet.write(i + 1, 1, '学生%d' % i)
        sheet.write(i + 1, 2, i % 20 + 1)
        sheet.write(i + 1, 3, i % 101)
        sheet.write(i + 1, 4, (i * 7) % 51 + 0.5)
    book.save(path)


def gaps_xls(path):
    """450 rows below the header: texts and numbers, ten empty rows (300-309), a number among the
    texts of column A (row 420), a column C of one cell on the last row, a date before 1899
    in column D (it has no date, and reads as its number)."""
    book = xlwt.Workbook(encoding='utf-8')
    sheet = book.add_sheet('Sheet1')
    for col, title in enumerate(('A', 'B', 'C')):
        sheet.write(0, col, title)
    for r in range(1, 451):
        if 300 <= r < 310:
            continue
        sheet.write(r, 0, 7 if r == 420 else '学生%d' % r)
        sheet.write(r, 1, r)
    sheet.write(450, 2, 'end')
    sheet.write(5, 3, -5, DATE)
    book.save(path)


def mixed_xls(path):
    """A column of dates with texts and numbers among them, as a teaching-load list has them, and
    a column of texts with a date and a number among them."""
    book = xlwt.Workbook(encoding='utf-8')
    sheet = book.add_sheet('Sheet1')
    sheet.write(0, 0, '日期')
    sheet.write(0, 1, '备注')
    for r in range(1, 7):
        sheet.write(r, 0, datetime.date(2024, 9, r), DATE)
        sheet.write(r, 1, '第%d周' % r)
    sheet.write(7, 0, '待定')
    sheet.write(7, 1, datetime.date(2024, 9, 7), DATE)
    sheet.write(8, 0, 3)
    sheet.write(8, 1, 4.5)
    sheet.write(9, 0, '12')
    sheet.write(10, 0, '第二学期')
    book.save(path)


def repeated_xls(path):
    """Under the headers A-D, 500 rows whose cells all hold one text of 30,000 characters (the
    workbook keeps it once), and a short text in the last cell of column D."""
    book = xlwt.Workbook(encoding='utf-8')
    sheet = book.add_sheet('Sheet1')
    text = ('长文' + 'x' * 98) * 300
    for col, title in enumerate(('A', 'B', 'C', 'D')):
        sheet.write(0, col, title)
    for r in range(1, 501):
        for col in range(4):
            sheet.write(r, col, 'end' if (r, col) == (500, 3) else text)
    book.save(path)


def far_xls(path):
    """Ten rows of students, then a number in IV65536, the last cell a sheet can have."""
    book = xlwt.Workbook(encoding='utf-8')
    sheet = book.add_sheet('Sheet1')
    for col, title in enumerate(('XH', 'XM', 'P1')):
        sheet.write(0, col, title)
    for i in range(10):
        sheet.write(i + 1, 0, '0200%05d' % i)
        sheet.write(i + 1, 1, '学生%d' % i)
        sheet.write(i + 1, 2, 60 + i)
    sheet.write(65535, 255, 7)
    book.save(path)


def low_xls(path):
    """A table that starts low: rows 1 to 9 empty, the header on row 10 and three students
    below it."""
    book = xlwt.Workbook(encoding='utf-8')
    sheet = book.add_sheet('Sheet1')
    for col, title in enumerate(('XH', 'XM', 'P1')):
        sheet.write(9, col, title)
    for i in range(3):
        sheet.write(10 + i, 0, '0200%05d' % i)
        sheet.write(10 + i, 1, '学生%d' % i)
        sheet.write(10 + i, 2, 60 + i)
    book.save(path)


def styled_xls(path):
    """Formatting without values: styled blank cells, merged cells, rows with a format or a
    height of their own and no cells, a row only touched, a sheet of one styled blank cell and
    an empty sheet with a styled row."""
    style = xlwt.easyxf('pattern: pattern solid, fore_colour yellow; border: left thin')
    book = xlwt.Workbook(encoding='utf-8')
    sheet = book.add_sheet('Sheet1')
    for col, title in enumerate(('XH', 'XM', 'P1')):
        sheet.write(0, col, title)
    sheet.write(1, 0, '1')
    sheet.write(1, 1, 'a')
    sheet.write(1, 2, 5)
    sheet.write(1, 4, None, style)
    sheet.write_merge(2, 3, 0, 1, 'merged', style)
    sheet.write(2, 2, 7)
    sheet.row(5).set_style(style)
    sheet.row(6).height = 600
    sheet.row(6).height_mismatch = True
    sheet.row(7)
    sheet.write(8, 0, '9')
    sheet.write(8, 2, 1.5)
    sheet.write(9, 3, None, style)
    sheet.row(10).set_style(style)
    book.add_sheet('Blank').write(3, 3, None, style)
    book.add_sheet('Empty').row(4).set_style(style)
    book.save(path)


def stu_dbf(path):
    """Every common Visual FoxPro type, a deleted record, code page 936."""
    table = dbf.Table(path, 'XH C(9); XM C(8); BJ N(2,0); CJ N(6,1); RQ D; ZD L; ZS I; FS B; '
                      'QF Y; SJ T; BZ M', dbf_type='vfp', codepage='cp936')
    table.open(dbf.READ_WRITE)
    table.append(('020070145', '学生甲', 3, 85.5, datetime.date(2024, 5, 6), True, 42, 3.25,
                  12.5, datetime.datetime(2024, 5, 6, 7, 8, 9), '备注一'))
    table.append(('020070146', '学生乙', 12, None, None, False, -7, -1.5, -0.25,
                  datetime.datetime(2024, 5, 6), None))
    table.append(('020070147', '已删除', 1, 1, None, None, 0, 0, 0, None, None))
    table.append(('20070148', 'ABCDEFGH', 99, -12.5, datetime.date(1999, 12, 31), None, -123456789,
                  1e10, 922337203685.4775, None, None))
    dbf.delete(table[2])
    table.close()


def nulls_dbf(path):
    """Nullable fields: the hidden null flags mark the NULLs."""
    table = dbf.Table(path, 'XH C(9) null; CJ N(5,1) null; ZS I null; FS B null; RQ D null',
                      dbf_type='vfp', codepage='cp936')
    table.open(dbf.READ_WRITE)
    null = dbf.Null
    table.append(('1', 1.5, 1, 1.25, datetime.date(2024, 1, 2)))
    table.append((null, null, null, null, null))
    table.append(('3', null, 3, null, datetime.date(2024, 1, 3)))
    table.close()


def rows_dbf(path, count):
    table = dbf.Table(path, 'XH C(9); XM C(10); BJ N(2,0); P1 N(5,1); P2 N(5,1)', dbf_type='vfp',
                      codepage='cp936')
    table.open(dbf.READ_WRITE)
    for i in range(count):
        table.append(('0200%05d' % i, '学生%d' % i, i % 20 + 1, i % 101, (i * 7) % 51 + 0.5))
    table.close()


def main():
    out = sys.argv[1]
    for name in sys.argv[2:]:
        base, _, count = name.partition(':')
        path = os.path.join(out, base)
        if base == 'school.xls':
            school_xls(path)
        elif base == 'stu.dbf':
            stu_dbf(path)
        elif base == 'nulls.dbf':
            nulls_dbf(path)
        elif base == 'gaps.xls':
            gaps_xls(path)
        elif base == 'repeated.xls':
            repeated_xls(path)
        elif base == 'far.xls':
            far_xls(path)
        elif base == 'mixed.xls':
            mixed_xls(path)
        elif base == 'low.xls':
            low_xls(path)
        elif base == 'styled.xls':
            styled_xls(path)
        elif base == 'blanks.xls':
            rows_xls(path, int(count), (' 学号', '姓名 ', ' 班级 ', 'P1', 'P2 '))
        elif base.endswith('.xls'):
            rows_xls(path, int(count))
        elif base.endswith('.dbf'):
            rows_dbf(path, int(count))
        else:
            sys.exit('unknown source ' + name)


if __name__ == '__main__':
    main()
