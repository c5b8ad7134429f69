#include "admin/PrepareScoreSheetDlg.h"

#include "admin/ExamSetup.h"
#include "controls/ComboChoice.h"
#include "controls/grid/GridFont.h"
#include "data/AppContext.h"
#include "data/DataFiles.h"
#include "platform/log/Log.h"
#include "platform/res/StringTable.h"
#include "platform/ui/MessageBox.h"

#include <QApplication>
#include <QComboBox>
#include <QPushButton>

#include <optional>

namespace {

QRect Dlu(int x, int y, int w, int h) {
    return QRect(x * 7 / 4, y * 7 / 4, w * 7 / 4, h * 7 / 4);
}

// The wait cursor for the length of a database job.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { Restore(); }
    void Restore() {
        if (m_on)
            QApplication::restoreOverrideCursor();
        m_on = false;
    }

private:
    bool m_on = true;
};

} // namespace

CPrepareScoreSheetDlg::CPrepareScoreSheetDlg(QWidget* parent) : ui::Dialog(IDD, parent), m_Grid(0, 0, 0, 0) {
    setWindowTitle(QStringLiteral("准备登分表"));
    setFixedSize(Dlu(0, 0, 343, 239).size());

    m_cbExam = new QComboBox(this);
    m_cbExam->setEditable(true);
    m_cbExam->setInsertPolicy(QComboBox::NoInsert);
    SetDlgCtrlId(m_cbExam, IDC_EXAM);
    const QRect comboRect = Dlu(7, 7, 273, 12);
    m_cbExam->setGeometry(comboRect.x(), comboRect.y(), comboRect.width(),
                          std::max(comboRect.height(), m_cbExam->sizeHint().height()));
    m_Grid.Create(gdi::Rect::FromQRect(Dlu(7, 25, 273, 207)), this, IDC_GRID);
    m_btnLoad = new QPushButton(QStringLiteral("载入数据"), this);
    SetDlgCtrlId(m_btnLoad, IDC_LOAD);
    m_btnLoad->setGeometry(Dlu(286, 7, 50, 14));
    m_btnAddInfo = new QPushButton(QStringLiteral("添加信息"), this);
    SetDlgCtrlId(m_btnAddInfo, IDC_ADD_INFO);
    m_btnAddInfo->setGeometry(Dlu(286, 28, 50, 14));
    auto* quit = new QPushButton(QStringLiteral("退出"), this);
    SetDlgCtrlId(quit, ui::IDCANCEL);
    quit->setGeometry(Dlu(286, 49, 50, 14));
    // Enter does nothing here: preparing is always a deliberate press.
    for (QPushButton* b : {m_btnLoad, m_btnAddInfo, quit})
        b->setAutoDefault(false);

    connect(m_cbExam, &QComboBox::activated, this, [this] { OnSelEndOkExam(); });
    connect(m_btnLoad, &QPushButton::clicked, this, [this] { OnLoadData(); });
    connect(m_btnAddInfo, &QPushButton::clicked, this, [this] { OnAddStreamInfo(); });
    connect(quit, &QPushButton::clicked, this, [this] { OnCancel(); });
}

bool CPrepareScoreSheetDlg::OnInitDialog() {
    SetDialogGridFont(m_Grid);
    m_Grid.SetRowCount(1);
    m_Grid.SetColumnCount(7);
    m_Grid.SetEditable(false);
    m_Grid.SetFixedColumnCount(1);
    m_Grid.SetFixedRowCount(1);
    const QString titles[] = {QStringLiteral("学号"), QStringLiteral("姓名"), QStringLiteral("班级"),
                              QStringLiteral("AB班"), QStringLiteral("学籍"), QStringLiteral("编号"),
                              QStringLiteral("文理")};
    for (int c = 0; c < 7; ++c)
        m_Grid.SetItemText(0, c, titles[c]);
    m_Grid.SetListMode(true);
    m_Grid.SetSingleRowSelection(true);
    m_Grid.AutoSizeColumns();
    if (m_nMode == 1) {
        m_btnLoad->setText(QStringLiteral("显示数据"));
        setWindowTitle(QStringLiteral("文理科信息添加"));
    } else {
        m_btnAddInfo->setEnabled(false);
    }
    FillExamCombo();
    LoadRoster();
    return true;
}

void CPrepareScoreSheetDlg::FillExamCombo() {
    m_cbExam->clear();
    if (data::HasDatabase())
        for (const data::ExamEntry& e : data::ExamEntries(data::Database(), m_cipher))
            m_cbExam->addItem(e.text, e.id);
    m_cbExam->setCurrentIndex(m_cbExam->count() > 0 ? 0 : -1);
}

data::ExamRef CPrepareScoreSheetDlg::ShownExam() {
    try {
        return data::ResolveExam(data::Database(), m_cipher, m_cbExam->currentText(),
                                 ChosenEntryData(*m_cbExam));
    } catch (const db::DbError& e) {
        qCWarning(vlog::db) << "preparation: exam not resolved:" << e.Message();
        return {};
    }
}

void CPrepareScoreSheetDlg::LoadRoster() {
    const int selected = m_cbExam->currentIndex();
    if (selected < 0) {
        LoadRows(ShownExam());
        return;
    }
    try {
        LoadRows(data::ResolveExam(data::Database(), m_cipher, m_cbExam->itemText(selected),
                                   m_cbExam->itemData(selected)));
    } catch (const db::DbError& e) {
        qCWarning(vlog::db) << "preparation: exam not resolved:" << e.Message();
    }
}

void CPrepareScoreSheetDlg::OnSelEndOkExam() {
    LoadRoster();
}

void CPrepareScoreSheetDlg::LoadRows(const data::ExamRef& exam) {
    if (!exam.IsValid())
        return;
    std::vector<QStringList> rows;
    try {
        rows = examsetup::LoadScoreRows(data::Database(), exam.id);
    } catch (const db::DbError& e) {
        qCWarning(vlog::db) << "score rows of exam" << exam.id << "not read:" << e.Message();
        ui::MessageBox(this, data::DatabaseFailureMessage(res::LoadString(57621), e), res::LoadString(57656),
                       ui::MB_ICONWARNING);
        return;
    }
    m_Grid.SetRowCount(static_cast<int>(rows.size()) + 1);
    for (int r = 0; r < static_cast<int>(rows.size()); ++r)
        for (int c = 0; c < 7; ++c)
            m_Grid.SetItemText(r + 1, c, rows[r].value(c));
    m_Grid.AutoSizeColumns();
    // 班级 (" 9" over "10") and 编号 line up by their last digit.
    m_Grid.RightAlignNumberColumns();
}

void CPrepareScoreSheetDlg::OnLoadData() {
    if (m_nMode == 1) {
        LoadRoster();
        return;
    }
    // The text as the box shows it, typed or chosen: that is the exam the user means. Rows with
    // marks are the record of an exam that was sat: they take the roster's details only when the
    // user says so.
    examsetup::MarkedRows marked = examsetup::MarkedRows::Keep;
    if (const data::ExamRef exam = ShownExam(); exam.IsValid()) {
        long long markedRows = 0;
        try {
            markedRows = examsetup::MarkedRowsToRefresh(data::Database(), exam.id, exam.grade);
        } catch (const db::DbError& e) {
            qCWarning(vlog::db) << "preparation: rows with marks not counted:" << e.Message();
        }
        if (markedRows > 0 &&
            ui::MessageBox(this, examsetup::RefreshMarkedRowsQuestion(markedRows), res::LoadString(57656),
                           ui::MB_YESNO | ui::MB_ICONQUESTION) == ui::IDYES)
            marked = examsetup::MarkedRows::Refresh;
    }
    QString report;
    RunOnExam([&report, marked](db::Connection& db, const data::ExamRef& exam) {
        const examsetup::Preparation done = examsetup::PrepareScoreRows(db, exam.id, exam.grade, marked);
        report = examsetup::PreparationReport(done, data::GradeName(db, exam.grade));
    });
    // A preparation that copied nobody, or left someone out, says so: the grid alone would not.
    if (!report.isEmpty())
        ui::MessageBox(this, report, res::LoadString(57656), ui::MB_ICONINFORMATION);
}

void CPrepareScoreSheetDlg::OnAddStreamInfo() {
    RunOnExam([](db::Connection& db, const data::ExamRef& exam) { examsetup::CopyStreams(db, exam.id); });
}

void CPrepareScoreSheetDlg::RunOnExam(const std::function<void(db::Connection&, const data::ExamRef&)>& job) {
    WaitCursor wait;
    const data::ExamRef exam = ShownExam();
    bool done = false;
    std::optional<db::DbError> failure;
    try {
        if (exam.IsValid()) {
            job(data::Database(), exam);
            done = true;
        }
    } catch (const db::DbError& e) {
        qCWarning(vlog::db) << "preparation of exam" << exam.id << "failed:" << e.Message();
        failure = e;
    }
    if (!done) {
        wait.Restore();
        const QString failed = res::LoadString(57684);
        ui::MessageBox(this, failure ? data::DatabaseFailureMessage(failed, *failure) : failed,
                       res::LoadString(57656), ui::MB_ICONWARNING);
    }
    LoadRows(exam);
}
