#!/usr/bin/python3
"""Writes the lo-*.xls workbooks of this folder with LibreOffice Calc, each with its
FILE.expect.tsv made from the same cells.

make_books.py OUTDIR

Each book is a roster sheet with one feature that school sheets use (see BOOKS below), written as a
flat OpenDocument spreadsheet and converted by LibreOffice's headless converter:

    soffice --headless --convert-to xls:"MS Excel 97" BOOK.fods

(Debian 12's libreoffice-calc-nogui). The .xls files are committed as written; the tests do not
need LibreOffice.
"""
import datetime
import os
import subprocess
import sys
import tempfile
from xml.sax.saxutils import escape, quoteattr

NS = ('xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
      'xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" '
      'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" '
      'xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0" '
      'xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0" '
      'xmlns:number="urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0" '
      'xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0" '
      'xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0" '
      'xmlns:xlink="http://www.w3.org/1999/xlink" '
      'xmlns:dc="http://purl.org/dc/elements/1.1/" '
      'xmlns:of="urn:oasis:names:tc:opendocument:xmlns:of:1.2"')

STYLES = '''
 <office:styles>
  <style:style style:name="Default" style:family="table-cell"/>
  <style:style style:name="Bad" style:family="table-cell" style:parent-style-name="Default">
   <style:table-cell-properties fo:background-color="#ffcccc"/>
  </style:style>
 </office:styles>
 <office:automatic-styles>
  <number:date-style style:name="D1"><number:year number:style="long"/><number:text>-</number:text><number:month number:style="long"/><number:text>-</number:text><number:day number:style="long"/></number:date-style>
  <style:style style:name="ceDate" style:family="table-cell" style:data-style-name="D1"/>
  <style:style style:name="ceFill" style:family="table-cell"><style:table-cell-properties fo:background-color="#ffff00"/></style:style>
  <style:style style:name="ceMark" style:family="table-cell" style:parent-style-name="Default">
   <style:map style:condition="cell-content()&lt;60" style:apply-style-name="Bad" style:base-cell-address="'名单'.E2"/>
  </style:style>
  <style:style style:name="roTall" style:family="table-row"><style:table-row-properties style:row-height="1.5cm"/></style:style>
  <style:style style:name="coWide" style:family="table-column"><style:table-column-properties style:column-width="4cm"/></style:style>
  <style:style style:name="taShown" style:family="table"><style:table-properties table:display="true"/></style:style>
  <style:style style:name="taHidden" style:family="table"><style:table-properties table:display="false"/></style:style>
  <style:page-layout style:name="pmWide"><style:page-layout-properties style:print-orientation="landscape" fo:page-width="29.7cm" fo:page-height="21cm"/></style:page-layout>
 </office:automatic-styles>
 <office:master-styles>
  <style:master-page style:name="Default" style:page-layout-name="pmWide">
   <style:header><text:p>初一年级成绩</text:p></style:header>
   <style:footer><text:p>第<text:page-number>1</text:page-number>页</text:p></style:footer>
  </style:master-page>
 </office:master-styles>'''

SURNAMES = '李王张刘陈杨赵黄周吴'
GIVEN = '伟芳娜敏静丽强磊军洋'


def roster(rows=12):
    """The header and `rows` students: 学号 (text), 姓名, 性别, 班级, 语文, 数学, 考试日期."""
    out = [['学号', '姓名', '性别', '班级', '语文', '数学', '考试日期']]
    for i in range(rows):
        out.append(['02024010%02d' % (i + 1), SURNAMES[i % 10] + GIVEN[(i * 3) % 10], '男女'[i % 2],
                    i % 4 + 1, 45 + i * 4, 30.5 + i * 6, datetime.date(2024, 6, 20 + i % 3)])
    return out


def serial(d):
    return (d - datetime.date(1899, 12, 30)).days


class Cell:
    """A cell with what it shows and how it is written: `value` (a text, a number, a date or None),
    `attrs` further attributes of the cell, `inner` further content (a note), `text` the
    paragraph's content instead of the escaped value (a link)."""

    def __init__(self, value, attrs='', inner='', text=None, formula=None, covered=False):
        self.value, self.attrs, self.inner, self.text, self.formula = value, attrs, inner, text, formula
        self.covered = covered


def cell_xml(c):
    if not isinstance(c, Cell):
        c = Cell(c)
    v = c.value
    attrs = c.attrs
    if c.covered:
        return '<table:covered-table-cell/>'
    if c.formula:
        attrs += ' table:formula=%s' % quoteattr(c.formula)
    if v is None:
        return '<table:table-cell%s>%s</table:table-cell>' % (attrs, c.inner)
    if isinstance(v, datetime.date):
        return ('<table:table-cell table:style-name="ceDate" office:value-type="date" '
                'office:date-value="%s"%s>%s<text:p>%s</text:p></table:table-cell>' % (v.isoformat(), attrs, c.inner,
                                                                                        v.isoformat()))
    if isinstance(v, (int, float)):
        return ('<table:table-cell office:value-type="float" office:value="%r"%s>%s<text:p>%s</text:p>'
                '</table:table-cell>' % (v, attrs, c.inner, v))
    return ('<table:table-cell office:value-type="string"%s>%s<text:p>%s</text:p></table:table-cell>' %
            (attrs, c.inner, c.text if c.text is not None else escape(v)))


class Sheet:
    def __init__(self, name, rows, columns='', row_attrs=None, attrs='', shapes=''):
        self.name, self.rows, self.columns, self.attrs, self.shapes = name, rows, columns, attrs, shapes
        self.row_attrs = row_attrs or {}

    def xml(self):
        out = ['<table:table table:name=%s%s>' % (quoteattr(self.name), self.attrs)]
        if self.shapes:
            out.append('<table:shapes>%s</table:shapes>' % self.shapes)
        out.append(self.columns or '<table:table-column table:number-columns-repeated="8"/>')
        for r, row in enumerate(self.rows):
            cells = ''.join(cell_xml(c) for c in row) or '<table:table-cell/>'
            out.append('<table:table-row%s>%s</table:table-row>' % (self.row_attrs.get(r, ''), cells))
        out.append('</table:table>')
        return '\n'.join(out)

    def expected(self):
        def one(c):
            v = c.value if isinstance(c, Cell) else c
            if v is None:
                return ''
            if isinstance(v, datetime.date):
                return 'n:%r' % float(serial(v))
            if isinstance(v, (int, float)):
                return 'n:%r' % float(v)
            return 's:' + v
        lines = ['\t'.join(one(c) for c in row) for row in self.rows]
        while lines and not lines[-1].strip('\t'):
            lines.pop()
        return '#sheet %s %d\n' % (self.name, max(len(lines) - 1, 0)) + ''.join(l + '\n' for l in lines)


def document(sheets, before='', after=''):
    return ('<?xml version="1.0" encoding="UTF-8"?>\n<office:document %s office:version="1.2" '
            'office:mimetype="application/vnd.oasis.opendocument.spreadsheet">%s\n'
            '<office:body><office:spreadsheet>%s\n%s\n%s</office:spreadsheet></office:body></office:document>\n' %
            (NS, STYLES, before, '\n'.join(s.xml() for s in sheets), after))


def notes():
    rows = roster()
    rows[2][1] = Cell(rows[2][1], inner='<office:annotation><dc:creator>班主任</dc:creator>'
                      '<text:p>转学生</text:p></office:annotation>')
    rows[5][4] = Cell(rows[5][4], inner='<office:annotation><text:p>补考成绩</text:p></office:annotation>')
    # A note on an empty cell inside the table and one below the last row.
    rows[7].append(Cell(None, inner='<office:annotation><text:p>空单元格的批注</text:p></office:annotation>'))
    rows.append([Cell(None, inner='<office:annotation><text:p>表格之外</text:p></office:annotation>')])
    return [Sheet('名单', rows)]


def hyperlinks():
    rows = roster()
    rows[0].append('主页')
    for r in (1, 4):
        rows[r].append(Cell('学校主页', text='<text:a xlink:type="simple" xlink:href="https://example.org/%d">学校主页'
                            '</text:a>' % r))
    rows[3][1] = Cell(rows[3][1], text='<text:a xlink:type="simple" xlink:href="mailto:a@example.org">%s</text:a>'
                      % rows[3][1])
    return [Sheet('名单', rows)]


def merges():
    rows = roster()
    title = [Cell('初一年级期末成绩', attrs=' table:number-columns-spanned="7" table:number-rows-spanned="1"')]
    title += [Cell(None, covered=True) for _ in range(6)]
    rows = [title] + rows
    # 班级 merged over two rows: the cell under it is covered, its value gone.
    rows[3][3] = Cell(rows[3][3], attrs=' table:number-columns-spanned="1" table:number-rows-spanned="2"')
    rows[4][3] = Cell(None, covered=True)
    return [Sheet('名单', rows)]


def conditional():
    rows = roster()
    for r in range(1, len(rows)):
        rows[r][4] = Cell(rows[r][4], attrs=' table:style-name="ceMark"')
    return [Sheet('名单', rows)]


def validation():
    rows = roster()
    for r in range(1, len(rows)):
        rows[r][2] = Cell(rows[r][2], attrs=' table:content-validation-name="sex"')
        rows[r][4] = Cell(rows[r][4], attrs=' table:content-validation-name="mark"')
    # Validation on empty cells below the table too.
    rows.append([None, None, Cell(None, attrs=' table:content-validation-name="sex"')])
    before = ('<table:content-validations>'
              '<table:content-validation table:name="sex" table:condition="of:cell-content-is-in-list(&quot;男&quot;;'
              '&quot;女&quot;)" table:allow-empty-cell="true" table:display-list="unsorted" '
              'table:base-cell-address="\'名单\'.C2"/>'
              '<table:content-validation table:name="mark" table:condition="of:cell-content-is-decimal-number() and '
              'cell-content-is-between(0;150)" table:allow-empty-cell="true" table:base-cell-address="\'名单\'.E2">'
              '<table:error-message table:display="true" table:message-type="stop"><text:p>0-150</text:p>'
              '</table:error-message></table:content-validation>'
              '</table:content-validations>')
    return [Sheet('名单', rows)], before


def autofilter():
    rows = roster()
    after = ('<table:database-ranges><table:database-range table:name="__Anonymous_Sheet_DB__0" '
             'table:target-range-address="\'名单\'.A1:\'名单\'.G13" table:display-filter-buttons="true"/>'
             '</table:database-ranges>')
    return [Sheet('名单', rows)], '', after


def hidden_rows():
    rows = roster()
    empty_styled = [Cell(None, attrs=' table:style-name="ceFill"') for _ in range(7)]
    rows = rows[:5] + [empty_styled] + rows[5:] + [empty_styled, [Cell(None)]]
    row_attrs = {3: ' table:visibility="collapse"', 5: ' table:style-name="roTall"', 7: ' table:style-name="roTall"',
                 9: ' table:visibility="collapse"', len(rows) - 1: ' table:visibility="collapse"'}
    columns = ('<table:table-column/><table:table-column table:style-name="coWide"/>'
               '<table:table-column table:visibility="collapse"/><table:table-column/>'
               '<table:table-column table:visibility="collapse" table:number-columns-repeated="2"/>'
               '<table:table-column/><table:table-column table:visibility="collapse"/>')
    return [Sheet('名单', rows, columns=columns, row_attrs=row_attrs)]


def sheets():
    first = Sheet('名单', roster(), attrs=' table:style-name="taShown"')
    empty = Sheet('空表', [], attrs=' table:style-name="taShown"')
    hidden = Sheet('隐藏', [['甲', '乙'], [1, 2], ['x', None], [None, 3.25]], attrs=' table:style-name="taHidden"')
    marks = Sheet("成绩'单 (1)", [['科目', '平均'], ['语文', 71.5], ['数学', 63.25]], attrs=' table:style-name="taShown"')
    return [first, empty, hidden, marks]


def formulas():
    rows = roster()
    rows[0] += ['总分', '等第', '日期加一']
    for r in range(1, len(rows)):
        total = rows[r][4] + rows[r][5]
        rows[r].append(Cell(total, formula='of:=[.E%d]+[.F%d]' % (r + 1, r + 1)))
        rows[r].append(Cell('及格' if total >= 120 else '不及格',
                            formula='of:=IF([.H%d]>=120;"及格";"不及格")' % (r + 1)))
        rows[r].append(Cell(rows[r][6] + datetime.timedelta(days=1), formula='of:=[.G%d]+1' % (r + 1)))
    return [Sheet('名单', rows)]


def names():
    rows = roster()
    before = ''
    after = ('<table:named-expressions>'
             '<table:named-range table:name="名单区域" table:base-cell-address="$\'名单\'.$A$1" '
             'table:cell-range-address="$\'名单\'.$A$1:.$G$13"/>'
             '<table:named-range table:name="语文成绩" table:base-cell-address="$\'名单\'.$E$2" '
             'table:cell-range-address="$\'名单\'.$E$2:.$E$13"/>'
             '<table:named-expression table:name="及格线" table:base-cell-address="$\'名单\'.$A$1" '
             'table:expression="of:=60"/>'
             '</table:named-expressions>')
    return [Sheet('名单', rows)], before, after


def print_setup():
    rows = roster(40)
    return [Sheet('名单', rows, attrs=' table:print-ranges="\'名单\'.A1:\'名单\'.G41"')]


def protection():
    return [Sheet('名单', roster(), attrs=' table:protected="true"')]


# A 4 × 4 red PNG.
PNG = ('iVBORw0KGgoAAAANSUhEUgAAAAQAAAAECAIAAAAmkwkpAAAAEklEQVR4nGP4z8CAB+GTG8HSALfKY52fTcuYAAAAAElFTkSuQmCC')


def picture():
    shape = ('<draw:frame draw:z-index="0" svg:width="2cm" svg:height="2cm" svg:x="16cm" svg:y="1cm">'
             '<draw:image><office:binary-data>%s</office:binary-data></draw:image></draw:frame>' % PNG)
    return [Sheet('名单', roster(), shapes=shape)]


BOOKS = {
    'lo-notes': notes,
    'lo-hyperlinks': hyperlinks,
    'lo-merges': merges,
    'lo-conditional-format': conditional,
    'lo-validation': validation,
    'lo-autofilter': autofilter,
    'lo-hidden-rows-cols': hidden_rows,
    'lo-sheets': sheets,
    'lo-formulas-dates': formulas,
    'lo-names': names,
    'lo-print-setup': print_setup,
    'lo-sheet-protection': protection,
    'lo-picture': picture,
}


def main():
    out = os.path.abspath(sys.argv[1])
    with tempfile.TemporaryDirectory() as work:
        for name, make in BOOKS.items():
            made = make()
            if not isinstance(made, tuple):
                made = (made,)
            books, rest = made[0], made[1:]
            path = os.path.join(work, name + '.fods')
            with open(path, 'w', encoding='utf-8') as f:
                f.write(document(books, *rest))
            subprocess.run(['soffice', '--headless', '-env:UserInstallation=file://' + work + '/profile',
                            '--convert-to', 'xls:MS Excel 97', '--outdir', out, path], check=True,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            with open(os.path.join(out, name + '.xls.expect.tsv'), 'w', encoding='utf-8') as f:
                f.write(''.join(s.expected() for s in books))


if __name__ == '__main__':
    main()
