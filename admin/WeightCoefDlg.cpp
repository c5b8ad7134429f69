#include "admin/WeightCoefDlg.h"

#include "admin/ExamSetup.h"
#include "controls/ComboChoice.h"
#include "controls/grid/GridFont.h"
#include "data/AppContext.h"
#include "data/DataFiles.h"
#include "data/ExamChooser.h"
#include "platform/log/Log.h"
#include "platform/res/StringTable.h"
#include "platform/ui/MessageBox.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

// Dialog units of the template to pixels.
QRect Dlu(int x, int y, int w, int h) {
    return QRect(x * 7 / 4, y * 7 / 4, w * 7 / 4, h * 7 / 4);
}

} // namespace

CWeightCoefDlg::CWeightCoefDlg(QWidget* parent) : ui::Dialog(IDD, parent), m_Grid(0, 0, 0, 0) {
    setWindowTitle(QStringLiteral("单科I卷与II卷加权系数"));
    setFixedSize(Dlu(0, 0, 306, 205).size());

    auto* label = new QLabel(QStringLiteral("考试名称"), this);
    SetDlgCtrlId(label, 65535);
    label->setGeometry(Dlu(7, 9, 33, 8).adjusted(0, -2, 0, 2));
    m_cbExam = new QComboBox(this);
    m_cbExam->setEditable(true);
    m_cbExam->setInsertPolicy(QComboBox::NoInsert);
    SetDlgCtrlId(m_cbExam, IDC_EXAM);
    const QRect comboRect = Dlu(47, 7, 252, 12);
    m_cbExam->setGeometry(comboRect.x(), comboRect.y(), comboRect.width(),
                          std::max(comboRect.height(), m_cbExam->sizeHint().height()));
    m_Grid.Create(gdi::Rect::FromQRect(Dlu(7, 28, 234, 170)), this, IDC_GRID);
    auto* ok = new QPushButton(QStringLiteral("确定"), this);
    SetDlgCtrlId(ok, ui::IDOK);
    ok->setGeometry(Dlu(249, 30, 50, 14));
    ok->setDefault(true);
    auto* quit = new QPushButton(QStringLiteral("退出"), this);
    SetDlgCtrlId(quit, ui::IDCANCEL);
    quit->setGeometry(Dlu(249, 47, 50, 14));
    quit->setAutoDefault(false);

    connect(m_cbExam, &QComboBox::activated, this, [this] { OnSelEndOkExam(); });
    connect(m_cbExam->lineEdit(), &QLineEdit::textEdited, this, [this] { OnEditChangeExam(); });
    connect(ok, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(quit, &QPushButton::clicked, this, [this] { OnCancel(); });

    m_notify.OnEndEdit([this](int row, int col, const QString&) { return OnGridEndEdit(row, col); });
    m_notify.OnDbError([this](CGridNotifyAdapter::Notice, int, int, const db::DbError& error) {
        ui::MessageBox(this, data::DatabaseFailureMessage(res::LoadString(57619), error),
                       res::LoadString(57618), ui::MB_ICONINFORMATION);
    });
}

bool CWeightCoefDlg::OnInitDialog() {
    SetDialogGridFont(m_Grid);
    m_Grid.SetRowCount(1);
    m_Grid.SetColumnCount(5);
    m_Grid.SetFixedColumnCount(1);
    m_Grid.SetFixedRowCount(1);
    const QString titles[] = {QStringLiteral("科目"), QStringLiteral("I卷满分"), QStringLiteral("加权系数"),
                              QStringLiteral("II卷满分"), QStringLiteral("加权系数")};
    for (int c = 0; c < 5; ++c)
        m_Grid.SetItemText(0, c, titles[c]);
    m_Grid.AutoSizeColumns();
    FillExamCombo();
    return true;
}

void CWeightCoefDlg::FillExamCombo() {
    m_cbExam->clear();
    if (data::HasDatabase())
        for (const data::ExamEntry& e : data::ExamEntries(data::Database(), m_cipher))
            m_cbExam->addItem(e.text, e.id);
    m_cbExam->setCurrentIndex(m_cbExam->count() > 0 ? 0 : -1);
}

void CWeightCoefDlg::EmptyGrid() {
    m_Grid.SetRowCount(1);
    m_rowKeys.clear();
}

void CWeightCoefDlg::OnSelEndOkExam() {
    EmptyGrid();
}

void CWeightCoefDlg::OnEditChangeExam() {
    EmptyGrid();
}

void CWeightCoefDlg::OnOK() {
    // A text that names no registered exam is refused like a text outside the list: rows made
    // under no exam would belong to nobody.
    data::ExamRef exam;
    try {
        if (HoldsListItem(*m_cbExam))
            exam = data::ResolveExam(data::Database(), m_cipher, m_cbExam->currentText(),
                                     ChosenEntryData(*m_cbExam));
    } catch (const db::DbError& e) {
        qCWarning(vlog::db) << "weights: exam not resolved:" << e.Message();
    }
    if (!exam.IsValid()) {
        ui::MessageBox(this, res::LoadString(57638), QString(), ui::MB_ICONERROR);
        return;
    }
    m_nExamId = exam.id;
    try {
        examsetup::InitWeights(data::Database(), m_nExamId);
    } catch (const db::DbError& e) {
        qCWarning(vlog::db) << "weights of exam" << m_nExamId << "not made:" << e.Message();
        ui::MessageBox(this, data::DatabaseFailureMessage(res::LoadString(57621), e), res::LoadString(57656),
                       ui::MB_ICONWARNING);
    }
    LoadWeights();
}

void CWeightCoefDlg::LoadWeights() {
    EmptyGrid();
    std::vector<examsetup::WeightRow> rows;
    try {
        rows = examsetup::LoadWeights(data::Database(), m_cipher, m_nExamId);
    } catch (const db::DbError& e) {
        qCWarning(vlog::db) << "weights of exam" << m_nExamId << "not read:" << e.Message();
        return;
    }
    const auto fullMark = [](const db::Variant& v) {
        return v.IsNull() ? QString() : examsetup::FullMarkText(v.ToInt());
    };
    const auto weight = [](const db::Variant& v) {
        return v.IsNull() ? QString() : examsetup::WeightText(v.ToDouble());
    };
    m_Grid.SetRowCount(static_cast<int>(rows.size()) + 1);
    int r = 1;
    for (const examsetup::WeightRow& row : rows) {
        m_rowKeys.push_back(row.key);
        m_Grid.SetItemText(r, 0, row.name);
        m_Grid.SetItemText(r, 1, fullMark(row.t1));
        m_Grid.SetItemText(r, 2, weight(row.t1w));
        m_Grid.SetItemText(r, 3, fullMark(row.t2));
        m_Grid.SetItemText(r, 4, weight(row.t2w));
        ++r;
    }
}

bool CWeightCoefDlg::RefuseWeight(int row, int col, const QString& message) {
    m_notify.RestoreOldText(row, col);
    ui::MessageBox(this, message, res::LoadString(57618), ui::MB_ICONERROR);
    return false;
}

bool CWeightCoefDlg::OnGridEndEdit(int row, int col) {
    if (row < 1 || row > static_cast<int>(m_rowKeys.size()) || col < 1 || col > 4)
        return true;
    // A slip must not become a real full mark or weight of every total of the exam.
    const QString typed = m_Grid.GetItemText(row, col);
    const bool fullMark = col == 1 || col == 3;
    if (fullMark && !examsetup::IsFullMarkText(typed))
        return RefuseWeight(
            row, col, QStringLiteral("对不起，满分必须是0到%1之间的整数！").arg(examsetup::kMaxFullMark));
    if (!fullMark && !examsetup::IsWeightText(typed))
        return RefuseWeight(
            row, col, QStringLiteral("对不起，加权系数必须是0到%1之间的数！").arg(examsetup::kMaxWeight));
    const examsetup::WeightValues v =
        examsetup::WeightsFromTexts(m_Grid.GetItemText(row, 1), m_Grid.GetItemText(row, 2),
                                    m_Grid.GetItemText(row, 3), m_Grid.GetItemText(row, 4));
    if (!(v.FullMark() > 0))
        return RefuseWeight(
            row, col, QStringLiteral("对不起，该科满分（I卷满分×加权系数＋II卷满分×加权系数）必须大于0！"));
    const QString shown[] = {examsetup::FullMarkText(v.t1), examsetup::WeightText(v.t1w),
                             examsetup::FullMarkText(v.t2), examsetup::WeightText(v.t2w)};
    // Written under the row's own key, whatever name the row shows; a database failure
    // leaves through the grid's guard.
    const examsetup::WeightWrite written =
        examsetup::WriteWeights(data::Database(), m_rowKeys[static_cast<std::size_t>(row - 1)], v);
    if (written.refused)
        return RefuseWeight(row, col, examsetup::RefusalMessage(*written.refused));
    m_Grid.SetItemText(row, col, shown[col - 1]);
    return true;
}

bool CWeightCoefDlg::event(QEvent* e) {
    return m_notify.Handle(e) || ui::Dialog::event(e);
}
