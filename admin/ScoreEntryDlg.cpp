#include "admin/ScoreEntryDlg.h"

#include "controls/ComboChoice.h"
#include "data/ExamChooser.h"
#include "platform/log/Log.h"
#include "platform/res/StringTable.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>

#include <array>
#include <optional>

using namespace admin;

namespace {

constexpr int IDS_CHOOSE_FROM_LIST = 57638;
constexpr int IDS_SET_WEIGHTS_FIRST = 57646;
constexpr int IDS_OUT_OF_RANGE = 57683;
constexpr int IDS_CAPTION = 57656;
constexpr int IDS_BY_NAME_CAPTION = 57703;

constexpr gdi::COLORREF kRed = 0x0000FF;
constexpr gdi::COLORREF kBlue = 0xFF0000;
constexpr gdi::COLORREF kBand = 0xE7E7E7;

QRect Dlu(int x, int y, int w, int h) {
    return QRect(x * 7 / 4, y * 7 / 4, w * 7 / 4, h * 7 / 4);
}

QString Score(double value) {
    return QString::asprintf("%6.2f", value);
}

// The number a shown mark stands for: its decimal prefix, as the cell text is written.
double ScoreValue(const QString& text) {
    const QString t = text.trimmed();
    qsizetype end = 0;
    bool dot = false;
    for (; end < t.size(); ++end) {
        if (t[end] == u'.') {
            if (dot)
                break;
            dot = true;
        } else if (t[end] < u'0' || t[end] > u'9') {
            break;
        }
    }
    bool ok = false;
    const double value = t.left(end).toDouble(&ok);
    return ok ? value : 0.0;
}

// The value the shown "%6.2f" text holds, so that the database keeps what the grid shows.
double Shown(double value) {
    return Score(value).toDouble();
}

gdi::COLORREF ScoreColour(double value, double fullMark) {
    return value < 0.6 * fullMark ? kRed : kBlue;
}

QString TwoDigits(const db::Variant& v) {
    return v.IsNull() ? QString() : QString::asprintf("%2d", static_cast<short>(v.ToInt()));
}

} // namespace

QString NormalizeScoreText(const QString& text) {
    const QString t = text.trimmed();
    return t.isEmpty() ? QString() : Score(ScoreValue(t));
}

CScoreEntryDlg::CScoreEntryDlg(QWidget* parent) : CAdminGridDlg(IDD, parent) {
    setWindowTitle(QStringLiteral("成绩录入"));
    setFixedSize(Dlu(0, 0, 389, 248).size());

    auto* group = new QGroupBox(this);
    group->setGeometry(Dlu(7, 3, 375, 26));
    const auto place = [](QWidget* w, const QRect& r) {
        w->setGeometry(r.x(), r.y(), r.width(), std::max(r.height(), w->sizeHint().height()));
    };
    m_cbExam = new QComboBox(this);
    m_cbExam->setEditable(true);
    m_cbExam->setInsertPolicy(QComboBox::NoInsert);
    SetDlgCtrlId(m_cbExam, IDC_EXAM);
    place(m_cbExam, Dlu(12, 11, 169, 12));
    m_lblNumber = new QLabel(QStringLiteral("班级"), this);
    SetDlgCtrlId(m_lblNumber, IDC_NUMBER_LABEL);
    place(m_lblNumber, Dlu(185, 13, 18, 10));
    m_spinNumber = new QSpinBox(this);
    m_spinNumber->setRange(0, 99);
    m_spinNumber->setWrapping(true);
    m_spinNumber->setValue(m_nClassOrRoom);
    SetDlgCtrlId(m_spinNumber, IDC_NUMBER);
    place(m_spinNumber, Dlu(203, 11, 24, 12));
    auto* subjectLabel = new QLabel(QStringLiteral("科目"), this);
    place(subjectLabel, Dlu(230, 13, 17, 10));
    m_cbSubject = new QComboBox(this);
    m_cbSubject->setEditable(true);
    m_cbSubject->setInsertPolicy(QComboBox::NoInsert);
    SetDlgCtrlId(m_cbSubject, IDC_SUBJECT);
    place(m_cbSubject, Dlu(248, 11, 41, 12));
    QPushButton* load = AddButton(IDC_LOAD, QStringLiteral("确定"), [this] { OnLoadScores(); });
    place(load, Dlu(292, 10, 40, 14));
    m_btnImport = AddButton(IDC_IMPORT, QStringLiteral("分数导入"), [this] { OnImportScores(); });
    place(m_btnImport, Dlu(335, 10, 44, 14));
    // Enter belongs to the grid: no button may take it as the default.
    load->setAutoDefault(false);
    m_btnImport->setAutoDefault(false);
    m_Grid.setGeometry(Dlu(7, 34, 375, 207));

    qApp->installEventFilter(this);
}

CScoreEntryDlg::~CScoreEntryDlg() {
    qApp->removeEventFilter(this);
}

bool CScoreEntryDlg::OnInitDialog() {
    ui::Dialog::OnInitDialog();
    ApplySettingsFont(m_Grid);
    m_nRowCount = 1;
    m_nColCount = 4;
    m_Grid.SetRowCount(m_nRowCount);
    m_Grid.SetColumnCount(m_nColCount);
    m_Grid.SetFixedColumnCount(1);
    m_Grid.SetFixedRowCount(1);
    m_Grid.SetItemText(0, 0, QStringLiteral("学号"));
    m_Grid.SetItemText(0, 1, QStringLiteral("姓名"));
    m_Grid.SetItemText(0, 2, QStringLiteral("班级"));
    m_Grid.SetItemText(0, 3, m_nEntryMode == 1 ? QStringLiteral("考号") : QStringLiteral("编号"));
    m_Grid.AutoSizeColumns(GVS_DEFAULT);
    m_Grid.ResetSelectedRange();
    m_Grid.EnableCellSelection(false);
    m_Grid.ResetSelectedRange();

    FillExamCombo();
    FillSubjectCombo();

    // The imports use the program's own connection: there is no second one to open.
    if (m_nEntryMode == 2)
        setWindowTitle(res::LoadString(IDS_BY_NAME_CAPTION));
    if (m_nEntryMode == 1) {
        m_lblNumber->setText(QStringLiteral("考室"));
        m_btnImport->hide();
    }
    return true;
}

void CScoreEntryDlg::FillExamCombo() {
    m_cbExam->clear();
    if (data::HasDatabase())
        for (const data::ExamEntry& e : data::ExamEntries(data::Database(), m_cipher))
            m_cbExam->addItem(e.text, e.id);
    m_cbExam->setCurrentIndex(m_cbExam->count() > 0 ? 0 : -1);
}

void CScoreEntryDlg::FillSubjectCombo() {
    m_cbSubject->clear();
    try {
        db::Recordset rs =
            data::Database().Execute(QStringLiteral("SELECT mydesc FROM tavrinKMK ORDER BY id"));
        const QString key = data::DescriptionKey();
        for (; !rs.IsEOF(); rs.MoveNext())
            if (!rs.Field(0).IsNull())
                m_cbSubject->addItem(m_cipher.DecodeText(key, rs.Field(0).ToString()));
    } catch (const db::DbError& e) {
        qCWarning(vlog::db) << "score entry: subject list cut short:" << e.Message();
    }
    m_cbSubject->setCurrentIndex(-1);
    m_cbSubject->setEditText(QString());
}

void CScoreEntryDlg::ForgetLoad() {
    m_nRowCount = 1;
    m_Grid.SetRowCount(m_nRowCount);
    m_strExamId.clear();
    m_strSubjectField.clear();
    m_Grid.InvalidateRect();
}

int CScoreEntryDlg::OnLoadScores() {
    m_nClassOrRoom = m_spinNumber->value();
    const QString subject = m_cbSubject->currentText();
    const QString exam = m_cbExam->currentText();
    const auto refuse = [this] {
        ForgetLoad();
        ui::MessageBox(this, res::LoadString(IDS_CHOOSE_FROM_LIST), QString(), ui::MB_ICONERROR);
        return 0;
    };
    if (!HoldsListItem(*m_cbSubject))
        return refuse();
    const QString key = data::DescriptionKey();
    const QString caption = res::LoadString(IDS_CAPTION);

    QApplication::setOverrideCursor(Qt::WaitCursor);
    struct CursorGuard {
        ~CursorGuard() { QApplication::restoreOverrideCursor(); }
    } cursor;

    QString gradeCode;
    try {
        const data::ExamRef chosen =
            data::ResolveExam(data::Database(), m_cipher, exam, ChosenEntryData(*m_cbExam));
        if (!chosen.IsValid())
            return refuse();
        db::Recordset rs =
            data::Database().Execute(QStringLiteral("SELECT yjcd FROM tavrinKSLB WHERE id=?"), chosen.id);
        const db::Variant& yjcd = rs.IsEOF() ? db::Variant() : rs.Field(0);
        m_Grid.SetEditable(yjcd.IsNull() || yjcd.ToString().startsWith(u'N'));
        m_strExamId = QString::asprintf("%1d", chosen.id);
        gradeCode = chosen.grade;
    } catch (const db::DbError& e) {
        qCWarning(vlog::db) << "score entry: exam not read:" << e.Message();
        ForgetLoad();
        ui::MessageBox(this, QStringLiteral("错误input"), caption, ui::MB_ICONWARNING);
        return 0;
    }
    m_bSenior = gradeCode.startsWith(u'1');

    m_nColCount = m_bSenior ? 8 : 7;
    m_Grid.SetColumnCount(m_nColCount);
    if (m_bSenior)
        m_Grid.SetItemText(0, 4, QStringLiteral("文理科"));
    m_Grid.SetItemText(0, m_nColCount - 3, subject);
    m_Grid.SetItemText(0, m_nColCount - 2, QStringLiteral("I卷"));
    m_Grid.SetItemText(0, m_nColCount - 1, QStringLiteral("II卷"));

    static const QRegularExpression fieldPattern(QStringLiteral("^[sS][0-9]{2}$"));
    bool rowsStarted = false;
    try {
        db::Recordset rs =
            data::Database().Execute(QStringLiteral("SELECT fldname FROM tavrinKMK WHERE mydesc=?"),
                                     m_cipher.EncodeText(key, subject));
        // The column name goes into the statements as an identifier: only a subject column passes.
        m_strSubjectField = rs.IsEOF() ? QString() : rs.Field(0).ToString();
        if (!fieldPattern.match(m_strSubjectField).hasMatch())
            return refuse();

        m_nT1 = m_nT2 = 0;
        m_fT1w = m_fT2w = 0;
        db::Recordset w = data::Database().Execute(
            QStringLiteral("SELECT t1, t2, t1w, t2w FROM tavrinKMWGT WHERE id=? AND kmfld=?"),
            m_strExamId.toInt(), m_strSubjectField);
        if (w.IsEOF()) {
            ForgetLoad();
            ui::MessageBox(this, res::LoadString(IDS_SET_WEIGHTS_FIRST), InfoCaption(),
                           ui::MB_ICONINFORMATION);
            return 0;
        }
        m_nT1 = static_cast<short>(w.Field(0).ToInt());
        m_nT2 = static_cast<short>(w.Field(1).ToInt());
        m_fT1w = static_cast<float>(w.Field(2).ToDouble());
        m_fT2w = static_cast<float>(w.Field(3).ToDouble());

        const QString columns =
            QStringLiteral("SELECT studentid, name, class, cid, kh, worl, %1 AS tot, %1%2 AS p1, "
                           "%1%3 AS p2 FROM tavrinKSK WHERE id=? ")
                .arg(m_strSubjectField, QStringLiteral("1"), QStringLiteral("2"));
        db::Recordset rows;
        m_nRowCount = 1;
        m_Grid.SetRowCount(m_nRowCount);
        rowsStarted = true;
        if (m_nEntryMode == 1) {
            const int room = m_nClassOrRoom == 0 ? 1 : m_nClassOrRoom;
            rows = data::Database().Execute(columns + QStringLiteral("AND kh LIKE ? ORDER BY worl, kh"),
                                            m_strExamId.toInt(), QString::asprintf("%02d%%", room));
        } else if (m_nClassOrRoom != 0) {
            rows = data::Database().Execute(columns + QStringLiteral("AND class=? ORDER BY studentid"),
                                            m_strExamId.toInt(), m_nClassOrRoom);
        } else {
            rows =
                data::Database().Execute(columns + QStringLiteral("ORDER BY studentid"), m_strExamId.toInt());
        }
        FillRows(rows);
    } catch (const db::DbError& e) {
        qCWarning(vlog::db) << "score entry: rows not read:" << e.Message();
        // Rows of another exam or subject must not stay under this one's header.
        if (!rowsStarted)
            ForgetLoad();
        ui::MessageBox(this, QStringLiteral("错误input"), caption, ui::MB_ICONWARNING);
        if (!rowsStarted)
            return 0;
    }
    m_Grid.AutoSizeColumns(GVS_DEFAULT);
    PaintBands();
    m_Grid.AutoSizeColumns(GVS_DEFAULT);
    m_Grid.InvalidateRect();
    return 1;
}

void CScoreEntryDlg::FillRows(db::Recordset& rs) {
    const int total = m_nColCount - 3;
    const double fullMarks[3] = {m_nT1 * m_fT1w + m_nT2 * m_fT2w, double(m_nT1), double(m_nT2)};
    std::vector<std::array<db::Variant, 9>> records;
    // Rows read before a failure are still shown, so they are gathered first and the grid sized once.
    std::optional<db::DbError> failure;
    try {
        for (; !rs.IsEOF(); rs.MoveNext()) {
            std::array<db::Variant, 9> r;
            for (int i = 0; i < 9; ++i)
                r[i] = rs.Field(i);
            records.push_back(std::move(r));
        }
    } catch (const db::DbError& e) {
        failure = e; // passed on below, once the rows read are shown
    }
    m_nRowCount = static_cast<int>(records.size()) + 1;
    m_Grid.SetRowCount(m_nRowCount);
    const auto readOnly = [this](int r, int c) {
        m_Grid.SetItemState(r, c, m_Grid.GetItemState(r, c) | GCS_READONLY);
    };
    int r = 1;
    for (const auto& rec : records) {
        m_Grid.SetItemText(r, 0, rec[0].ToString());
        m_Grid.SetItemText(r, 1, rec[1].ToString());
        m_Grid.SetItemText(r, 2, TwoDigits(rec[2]));
        m_Grid.SetItemText(r, 3, m_nEntryMode == 1 ? rec[4].ToString() : TwoDigits(rec[3]));
        if (m_bSenior) {
            m_Grid.SetItemText(r, 4, rec[5].ToString());
            readOnly(r, 4);
        }
        for (int k = 0; k < 3; ++k) {
            const db::Variant& v = rec[6 + k];
            if (v.IsNull())
                continue;
            m_Grid.SetItemText(r, total + k, Score(v.ToDouble()));
            m_Grid.SetItemFgColour(r, total + k, ScoreColour(v.ToDouble(), fullMarks[k]));
        }
        readOnly(r, 1);
        readOnly(r, 3);
        readOnly(r, total);
        ++r;
    }
    if (failure)
        throw *failure;
}

void CScoreEntryDlg::PaintBands() {
    for (int r = 1; r < m_nRowCount; ++r)
        if (r % 10 == 0 || r % 10 > 5)
            for (int c = 1; c < m_nColCount; ++c)
                m_Grid.SetItemBkColour(r, c, kBand);
}

void CScoreEntryDlg::OnImportScores() {
    // The imports by student number and by name come with their own dialog.
}

bool CScoreEntryDlg::OnGridEndEdit(int row, int col) {
    if (m_strExamId.isEmpty() || m_strSubjectField.isEmpty() || row < 1 || row >= m_nRowCount)
        return false;
    if (col == 2)
        return EditClass(row);
    const int total = TotalColumn();
    if (col == total + 1 || col == total + 2)
        return EditPaper(row, col);
    return true;
}

bool CScoreEntryDlg::EditClass(int row) {
    // Only a class number is written, and always as a number.
    static const QRegularExpression classPattern(QStringLiteral("^[0-9]{1,2}$"));
    const QString text = EditedText(row, 2);
    if (!classPattern.match(text).hasMatch()) {
        ReportUpdateFailure(row, 2);
        return false;
    }
    const int cls = text.toInt();
    if (!ExecuteSql(QStringLiteral("UPDATE tavrinKSK SET class=? WHERE studentid=? AND id=?"),
                    {cls, m_Grid.GetItemText(row, 0), m_strExamId.toInt()})) {
        RestoreOldText(row, 2);
        return false;
    }
    m_Grid.SetItemText(row, 2, QString::asprintf("%2d", cls));
    m_Grid.AutoSizeColumns(GVS_DEFAULT);
    m_Grid.InvalidateRect();
    return true;
}

bool CScoreEntryDlg::EditPaper(int row, int col) {
    const int total = TotalColumn();
    const int cols[2] = {total + 1, total + 2};
    const int fulls[2] = {m_nT1, m_nT2};
    const gdi::COLORREF oldColour = m_Grid.GetItemFgColour(row, col);
    const QString oldTotal = m_Grid.GetItemText(row, total);
    const gdi::COLORREF oldTotalColour = m_Grid.GetItemFgColour(row, total);
    const auto undo = [&] {
        m_Grid.SetItemFgColour(row, col, oldColour);
        m_Grid.SetItemText(row, total, oldTotal);
        m_Grid.SetItemFgColour(row, total, oldTotalColour);
        RestoreOldText(row, col);
    };

    const QString normalized = NormalizeScoreText(m_Grid.GetItemText(row, col));
    m_Grid.SetItemText(row, col, normalized);
    db::Variant values[2];
    double marks[2] = {0, 0};
    int empty = 0;
    for (int p = 0; p < 2; ++p) {
        const QString text = cols[p] == col ? normalized : m_Grid.GetItemText(row, cols[p]).trimmed();
        if (text.isEmpty()) {
            ++empty;
            continue;
        }
        marks[p] = Shown(ScoreValue(text));
        if (marks[p] > fulls[p]) {
            undo();
            ui::MessageBox(this, res::LoadString(IDS_OUT_OF_RANGE), res::LoadString(IDS_CAPTION),
                           ui::MB_ICONWARNING);
            return false;
        }
        values[p] = marks[p];
        if (cols[p] == col)
            m_Grid.SetItemFgColour(row, col, ScoreColour(marks[p], fulls[p]));
    }

    db::Variant totalValue;
    QString totalText;
    if (empty < 2) {
        const float sum = static_cast<float>(marks[0]) * m_fT1w + static_cast<float>(marks[1]) * m_fT2w;
        totalText = Score(sum);
        totalValue = totalText.toDouble();
        m_Grid.SetItemFgColour(row, total, ScoreColour(sum, m_nT1 * m_fT1w + m_nT2 * m_fT2w));
    }
    m_Grid.SetItemText(row, total, totalText);
    m_Grid.AutoSizeColumns(GVS_DEFAULT);
    m_Grid.InvalidateRect();
    const QString& f = m_strSubjectField;
    const QString sql = QStringLiteral("UPDATE tavrinKSK SET %1=?, %2=?, %3=? WHERE studentid=? AND id=?")
                            .arg(f + u'1', f + u'2', f);
    if (!ExecuteSql(sql,
                    {values[0], values[1], totalValue, m_Grid.GetItemText(row, 0), m_strExamId.toInt()})) {
        undo();
        return false;
    }
    return true;
}

bool CScoreEntryDlg::ExecuteSql(const QString& sql, const std::vector<db::Variant>& params) {
    try {
        data::Database().Execute(sql, params);
        return true;
    } catch (const db::DbError& e) {
        qCWarning(vlog::db) << "score entry: update failed:" << e.Message();
        ui::MessageBox(this, res::LoadString(IDS_UPDATE_FAILED), InfoCaption(), ui::MB_ICONINFORMATION);
        return false;
    }
}

bool CScoreEntryDlg::eventFilter(QObject* watched, QEvent* event) {
    if (m_bForwardingKey || event->type() != QEvent::KeyPress || !watched->isWidgetType())
        return CAdminGridDlg::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    auto* widget = static_cast<QWidget*>(watched);
    if ((key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) || !m_Grid.isAncestorOf(widget))
        return CAdminGridDlg::eventFilter(watched, event);
    // Enter works as Down: an open edit is committed first, then the focus moves one row down.
    m_bForwardingKey = true;
    if (widget != &m_Grid)
        QCoreApplication::sendEvent(widget, event);
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QCoreApplication::sendEvent(&m_Grid, &down);
    m_bForwardingKey = false;
    return true;
}

void CScoreEntryDlg::keyPressEvent(QKeyEvent* event) {
    // Neither Esc nor Enter closes the dialog; its title bar's close button does.
    if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    CAdminGridDlg::keyPressEvent(event);
}
