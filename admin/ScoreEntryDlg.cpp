#include "admin/ScoreEntryDlg.h"

#include "admin/ImportResultDlg.h"
#include "admin/ImportRoad.h"
#include "admin/ScoreImport.h"
#include "controls/ComboChoice.h"
#include "data/DataFiles.h"
#include "data/ExamChooser.h"
#include "platform/log/Log.h"
#include "platform/res/StringTable.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

#include <new>
#include <optional>

using namespace admin;

namespace {

constexpr int IDS_CHOOSE_FROM_LIST = 57638;
constexpr int IDS_SET_WEIGHTS_FIRST = 57646;
constexpr int IDS_CAPTION = 57656;
constexpr int IDS_BY_NAME_CAPTION = 57703;

constexpr gdi::COLORREF kRed = 0x0000FF;
constexpr gdi::COLORREF kBlue = 0xFF0000;
constexpr gdi::COLORREF kBand = 0xE7E7E7;

QRect Dlu(int x, int y, int w, int h) {
    return QRect(x * 7 / 4, y * 7 / 4, w * 7 / 4, h * 7 / 4);
}

gdi::COLORREF ScoreColour(double value, double fullMark) {
    return scoresheet::BelowPass(value, fullMark) ? kRed : kBlue;
}

QString TwoDigits(std::optional<int> v) {
    return v ? QString::asprintf("%2d", *v) : QString();
}

} // namespace

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
    if (data::HasDatabase())
        for (const scoresheet::SubjectEntry& subject : scoresheet::Subjects(data::Database(), m_cipher))
            m_cbSubject->addItem(subject.name, subject.id);
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
    const QString exam = m_cbExam->currentText();
    const auto stop = [this](const QString& message, const QString& caption, unsigned icon) {
        ForgetLoad();
        ui::MessageBox(this, message, caption, icon);
        return 0;
    };
    const auto refuse = [&] {
        return stop(res::LoadString(IDS_CHOOSE_FROM_LIST), QString(), ui::MB_ICONERROR);
    };
    if (!HoldsListItem(*m_cbSubject))
        return refuse();
    // Another window may have renamed or deleted subjects since the list was filled: the choice is
    // found again by its number in the list as it is now.
    const int subjectId = ChosenOrNamedEntryData(*m_cbSubject).toInt();
    FillSubjectCombo();
    m_cbSubject->setCurrentIndex(m_cbSubject->findData(subjectId));
    if (m_cbSubject->currentIndex() < 0)
        return stop(QStringLiteral("所选的科目已经不存在（可能已在另一个窗口中删除），请重新选择！"),
                    InfoCaption(), ui::MB_ICONINFORMATION);
    const QString subject = m_cbSubject->currentText();
    const QString caption = res::LoadString(IDS_CAPTION);

    QApplication::setOverrideCursor(Qt::WaitCursor);
    struct CursorGuard {
        ~CursorGuard() { QApplication::restoreOverrideCursor(); }
    } cursor;

    QString gradeCode;
    int examId = -1;
    try {
        db::Connection& db = data::Database();
        const data::ExamRef chosen = data::ResolveExam(db, m_cipher, exam, ChosenEntryData(*m_cbExam));
        if (!chosen.IsValid())
            return refuse();
        m_Grid.SetEditable(scoresheet::IsEditable(db, chosen.id));
        examId = chosen.id;
        m_strExamId = QString::asprintf("%1d", examId);
        gradeCode = chosen.grade;
    } catch (const db::DbError& e) {
        qCWarning(vlog::db) << "score entry: exam not read:" << e.Message();
        return stop(QStringLiteral("错误input"), caption, ui::MB_ICONWARNING);
    }
    m_bSenior = gradeCode.startsWith(u'1');

    m_nColCount = m_bSenior ? 8 : 7;
    m_Grid.SetColumnCount(m_nColCount);
    if (m_bSenior)
        m_Grid.SetItemText(0, 4, QStringLiteral("文理科"));
    m_Grid.SetItemText(0, m_nColCount - 3, subject);
    m_Grid.SetItemText(0, m_nColCount - 2, QStringLiteral("I卷"));
    m_Grid.SetItemText(0, m_nColCount - 1, QStringLiteral("II卷"));

    bool rowsStarted = false;
    std::vector<scoresheet::EntryRow> rows;
    try {
        db::Connection& db = data::Database();
        m_strSubjectField = scoresheet::SubjectField(db, subjectId);
        if (m_strSubjectField.isEmpty())
            return refuse();
        const std::optional<scoresheet::Papers> papers =
            scoresheet::LoadPapers(db, examId, m_strSubjectField);
        if (!papers)
            return stop(res::LoadString(IDS_SET_WEIGHTS_FIRST), InfoCaption(), ui::MB_ICONINFORMATION);
        m_papers = *papers;
        // An exam without score rows lists nobody: its score sheet is made first.
        if (!scoresheet::IsPrepared(db, examId))
            return stop(QStringLiteral("本次考试还没有准备登分表，没有可以录入成绩的学生。\n"
                                       "请先运行“成绩录入→准备考试登分表”！"),
                        InfoCaption(), ui::MB_ICONINFORMATION);
        if (m_nEntryMode == scoresheet::kByRoom && !CheckRoomSeating(db, examId, gradeCode))
            return 0;
        // Exam numbers reach the sheet from the roster only when 载入数据 runs after the rooms
        // are arranged; without them every room lists nobody.
        if (m_nEntryMode == scoresheet::kByRoom && !scoresheet::HasExamNumbers(db, examId))
            return stop(scoresheet::NoRoomsMessage(), InfoCaption(), ui::MB_ICONINFORMATION);
        m_nRowCount = 1;
        m_Grid.SetRowCount(m_nRowCount);
        rowsStarted = true;
        scoresheet::LoadEntryRows(db, examId, m_strSubjectField, m_nEntryMode, m_nClassOrRoom, rows);
        if (m_nEntryMode == scoresheet::kByRoom && !CheckRoomRows(rows))
            return 0;
        FillRows(rows);
    } catch (const db::DbError& e) {
        qCWarning(vlog::db) << "score entry: rows not read:" << e.Message();
        // Rows of another exam or subject must not stay under this one's header.
        if (!rowsStarted)
            return stop(QStringLiteral("错误input"), caption, ui::MB_ICONWARNING);
        FillRows(rows); // the rows read before the failure
        ui::MessageBox(this, QStringLiteral("错误input"), caption, ui::MB_ICONWARNING);
    }
    AlignNumbers();
    m_Grid.AutoSizeColumns(GVS_DEFAULT);
    PaintBands();
    m_Grid.AutoSizeColumns(GVS_DEFAULT);
    m_Grid.InvalidateRect();
    return 1;
}

bool CScoreEntryDlg::CheckRoomSeating(db::Connection& connection, int examId, const QString& gradeCode) {
    const int room = scoresheet::EntryRoom(m_nClassOrRoom);
    const std::vector<scoresheet::SeatingChange> changed =
        scoresheet::ChangedSeats(connection, examId, gradeCode, room);
    if (changed.empty())
        return true;
    // A sat exam keeps the numbers it was sat under: its papers carry them.
    if (scoresheet::HasMarks(connection, examId)) {
        ui::MessageBox(this, scoresheet::SatSeatingMessage(room, changed.size()), InfoCaption(),
                       ui::MB_ICONINFORMATION);
        return true;
    }
    const std::size_t inExam = scoresheet::ChangedSeats(connection, examId, gradeCode).size();
    if (ui::MessageBox(this, scoresheet::ChangedSeatsQuestion(room, changed.size(), inExam), InfoCaption(),
                       ui::MB_YESNO | ui::MB_ICONQUESTION) != ui::IDYES) {
        ForgetLoad();
        return false;
    }
    try {
        scoresheet::BringSavedSeating(connection, examId, gradeCode);
    } catch (const db::DbError& e) {
        qCWarning(vlog::db) << "score entry: saved seating not brought over:" << e.Message();
        ForgetLoad();
        ui::MessageBox(this, data::DatabaseFailureMessage(res::LoadString(IDS_UPDATE_FAILED), e),
                       InfoCaption(), ui::MB_ICONERROR);
        return false;
    }
    return true;
}

bool CScoreEntryDlg::CheckRoomRows(const std::vector<scoresheet::EntryRow>& rows) {
    const int room = scoresheet::EntryRoom(m_nClassOrRoom);
    if (rows.empty()) {
        ForgetLoad();
        ui::MessageBox(this, scoresheet::EmptyRoomMessage(room), InfoCaption(), ui::MB_ICONINFORMATION);
        return false;
    }
    const std::vector<scoresheet::SharedNumber> shared = scoresheet::SharedNumbers(rows);
    if (shared.empty())
        return true;
    ForgetLoad();
    ui::MessageBox(this, scoresheet::SharedNumbersMessage(room, shared), InfoCaption(), ui::MB_ICONWARNING);
    return false;
}

void CScoreEntryDlg::FillRows(const std::vector<scoresheet::EntryRow>& rows) {
    const int total = m_nColCount - 3;
    const double fullMarks[3] = {m_papers.FullMark(), double(m_papers.t1), double(m_papers.t2)};
    m_nRowCount = static_cast<int>(rows.size()) + 1;
    m_Grid.SetRowCount(m_nRowCount);
    const auto readOnly = [this](int r, int c) {
        m_Grid.SetItemState(r, c, m_Grid.GetItemState(r, c) | GCS_READONLY);
    };
    int r = 1;
    for (const scoresheet::EntryRow& row : rows) {
        m_Grid.SetItemText(r, 0, row.studentId);
        // Every write goes to this row by its key, and only while it holds the student shown.
        m_Grid.SetItemData(r, 0, static_cast<LPARAM>(row.key));
        m_Grid.SetItemText(r, 1, row.name);
        m_Grid.SetItemText(r, 2, TwoDigits(row.cls));
        m_Grid.SetItemText(r, 3, m_nEntryMode == scoresheet::kByRoom ? row.kh : TwoDigits(row.cid));
        if (m_bSenior) {
            m_Grid.SetItemText(r, 4, row.worl);
            readOnly(r, 4);
        }
        const std::optional<double> marks[3] = {row.total, row.p1, row.p2};
        for (int k = 0; k < 3; ++k) {
            if (!marks[k])
                continue;
            m_Grid.SetItemText(r, total + k, scoresheet::MarkText(*marks[k]));
            m_Grid.SetItemFgColour(r, total + k, ScoreColour(*marks[k], fullMarks[k]));
        }
        readOnly(r, 1);
        readOnly(r, 3);
        readOnly(r, total);
        ++r;
    }
}

void CScoreEntryDlg::PaintBands() {
    for (int r = 1; r < m_nRowCount; ++r)
        if (r % 10 == 0 || r % 10 > 5)
            for (int c = 1; c < m_nColCount; ++c)
                m_Grid.SetItemBkColour(r, c, kBand);
}

void CScoreEntryDlg::OnImportScores() {
    if (m_nEntryMode == scoresheet::kByRoom || OnLoadScores() == 0)
        return;
    if (!m_Grid.IsEditable()) {
        Message(QStringLiteral("本次考试的成绩已经锁定，不能导入！"), ui::MB_ICONINFORMATION);
        return;
    }
    const int mode = m_nEntryMode == scoresheet::kByName ? IMPORT_SCORES_BY_NAME : IMPORT_SCORES_BY_NUMBER;
    CImportSource source;
    CImportFieldMapDlg map;
    try {
        if (RunImportRoad(this, mode, source, map) != ImportRoadEnd::Mapped)
            return;
        const QStringList texts = map.GetMappedTexts();
        const scoreimport::MapProblem problem = scoreimport::CheckMapping(mode, texts);
        if (problem != scoreimport::MapProblem::None) {
            Message(scoreimport::MapProblemText(problem), ui::MB_ICONERROR);
            return;
        }
        scoreimport::Target target;
        target.examId = m_strExamId.toInt();
        target.field = m_strSubjectField;
        target.papers = m_papers;
        target.cls = m_nClassOrRoom;
        for (int r = 1; r < m_nRowCount; ++r)
            target.students.push_back(
                {RowKey(r), m_Grid.GetItemText(r, 0), m_Grid.GetItemText(r, 1), m_Grid.GetItemText(r, 2)});
        scoreimport::ImportCount count;
        {
            QApplication::setOverrideCursor(Qt::WaitCursor);
            struct CursorGuard {
                ~CursorGuard() { QApplication::restoreOverrideCursor(); }
            } cursor;
            count = scoreimport::ImportScores(data::Database(), source.Records(), mode, texts, target,
                                              source.ErrorCells(), source.FirstRowNumber());
        }
        source.Close();
        m_Grid.InvalidateRect();
        ShowImportResult(this, count);
        OnLoadScores();
    } catch (const scoreimport::ImportNotDone& e) {
        // Rolled back whole: the grid loaded before it still shows what the database holds.
        ShowImportNotDone(this, "score import", e);
    } catch (const db::DbError& e) {
        // Nothing of the import stays: the grid still shows what the database holds.
        qCInfo(vlog::io) << "score import stopped:" << e.Message();
        ShowImportError(this, e);
    } catch (const std::bad_alloc&) {
        ShowImportTooLarge(this, "score import", source);
    }
}

void CScoreEntryDlg::AlignNumbers() {
    // Classes (" 9" beside "10"), numbers and marks line up by their last digit; the mark
    // columns are numbers even while no mark is in them, so a first mark lines up too.
    m_Grid.RightAlignNumberColumns();
    const int total = TotalColumn();
    for (int row = 1; row < m_Grid.GetRowCount(); ++row)
        for (int col = total; col <= total + 2 && col < m_Grid.GetColumnCount(); ++col)
            m_Grid.SetItemFormat(row, col,
                                 (m_Grid.GetItemFormat(row, col) & ~gdi::DT_CENTER) | gdi::DT_RIGHT);
}

void CScoreEntryDlg::OnGridBeginEdit(int, int) {
    m_bEditRefused = false;
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

long long CScoreEntryDlg::RowKey(int row) const {
    return static_cast<long long>(m_Grid.GetItemData(row, 0));
}

bool CScoreEntryDlg::RefuseCell(int row, int col, const QString& message, unsigned icon) {
    m_bEditRefused = true;
    RestoreOldText(row, col);
    ui::MessageBox(this, message, res::LoadString(IDS_CAPTION), icon);
    return false;
}

bool CScoreEntryDlg::FailUpdate(int row, int col, const db::DbError& error, const QString& notStored) {
    qCWarning(vlog::db) << "score entry: update failed:" << error.Message();
    // Why, in the words the imports use: a busy database is held by another window or program.
    return RefuseCell(row, col,
                      data::DatabaseFailureMessage(res::LoadString(IDS_UPDATE_FAILED) + notStored, error),
                      ui::MB_ICONINFORMATION);
}

scoresheet::RowRef CScoreEntryDlg::RowOf(int row) const {
    return {RowKey(row), m_Grid.GetItemText(row, 0)};
}

bool CScoreEntryDlg::EditClass(int row) {
    // Only a class number is written, and always as a number.
    const std::optional<int> cls = scoresheet::CheckClass(EditedText(row, 2));
    if (!cls)
        return RefuseCell(row, 2, res::LoadString(IDS_UPDATE_FAILED), ui::MB_ICONINFORMATION);
    try {
        if (scoresheet::WriteClass(data::Database(), RowOf(row), m_strExamId.toInt(), *cls) !=
            scoresheet::WriteOutcome::Written)
            return RefuseCell(row, 2, scoresheet::RowChangedMessage(), ui::MB_ICONWARNING);
    } catch (const db::DbError& e) {
        return FailUpdate(row, 2, e, QStringLiteral("班级没有修改。"));
    }
    m_Grid.SetItemText(row, 2, QString::asprintf("%2d", *cls));
    m_Grid.WidenColumnToCell(row, 2);
    m_Grid.InvalidateRect();
    return true;
}

bool CScoreEntryDlg::EditPaper(int row, int col) {
    const int total = TotalColumn();
    const int paper = col == total + 1 ? 1 : 2;
    // Only the paper typed is written; the other paper, the weights and the full marks are taken
    // as stored when it is written, whatever this grid still shows of them.
    scoresheet::PaperWrite write;
    try {
        write = scoresheet::WritePaper(data::Database(), RowOf(row), m_strExamId.toInt(), m_strSubjectField,
                                       paper, m_Grid.GetItemText(row, col));
    } catch (const db::DbError& e) {
        return FailUpdate(row, col, e, QStringLiteral("成绩没有保存。"));
    }
    switch (write.outcome) {
    case scoresheet::WriteOutcome::RowChanged:
        return RefuseCell(row, col, scoresheet::RowChangedMessage(), ui::MB_ICONWARNING);
    case scoresheet::WriteOutcome::NoPapers:
        return RefuseCell(row, col, res::LoadString(IDS_SET_WEIGHTS_FIRST), ui::MB_ICONINFORMATION);
    case scoresheet::WriteOutcome::Refused:
        m_papers = write.papers;
        return RefuseCell(row, col,
                          scoresheet::RefusalMessage(write.check, paper == 1 ? m_papers.t1 : m_papers.t2),
                          ui::MB_ICONWARNING);
    case scoresheet::WriteOutcome::Written:
        break;
    }
    m_papers = write.papers;

    // The row as stored: both papers and the total.
    const std::pair<int, std::optional<double>> cells[3] = {
        {total, write.total}, {total + 1, write.p1}, {total + 2, write.p2}};
    const double fullMarks[3] = {m_papers.FullMark(), double(m_papers.t1), double(m_papers.t2)};
    for (int k = 0; k < 3; ++k) {
        const auto& [c, mark] = cells[k];
        m_Grid.SetItemText(row, c, mark ? scoresheet::MarkText(*mark) : QString());
        if (mark)
            m_Grid.SetItemFgColour(row, c, ScoreColour(*mark, fullMarks[k]));
        // Only the changed cells are measured: a commit costs the same in a class as in a grade.
        m_Grid.WidenColumnToCell(row, c, k == 2);
    }
    m_Grid.InvalidateRect();
    return true;
}

bool CScoreEntryDlg::eventFilter(QObject* watched, QEvent* event) {
    if (m_bForwardingKey || event->type() != QEvent::KeyPress || !watched->isWidgetType())
        return CAdminGridDlg::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    auto* widget = static_cast<QWidget*>(watched);
    if ((key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) || !m_Grid.isAncestorOf(widget))
        return CAdminGridDlg::eventFilter(watched, event);
    // Enter works as Down: an open edit is committed first, then the focus moves one row down. A
    // refused edit keeps the focus on its cell, so the mark can be typed again.
    m_bForwardingKey = true;
    m_bEditRefused = false;
    if (widget != &m_Grid)
        QCoreApplication::sendEvent(widget, event);
    if (!m_bEditRefused) {
        QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
        QCoreApplication::sendEvent(&m_Grid, &down);
    }
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
