#include "admin/WeightCoefDlg.h"

#include "admin/ExamSetup.h"
#include "app/VeltoraApp.h"
#include "controls/grid/GridFont.h"
#include "platform/res/StringTable.h"
#include "platform/ui/MessageBox.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

db::Connection* AppConnection() {
    CVeltoraApp* app = GetVeltoraApp();
    return app && app->m_pConnection && app->m_pConnection->IsOpen() ? app->m_pConnection.get() : nullptr;
}

// Dialog units of the template to pixels.
QRect Dlu(int x, int y, int w, int h) {
    return QRect(x * 7 / 4, y * 7 / 4, w * 7 / 4, h * 7 / 4);
}

bool HoldsListItem(const QComboBox* combo) {
    return combo->findText(combo->currentText(), Qt::MatchExactly | Qt::MatchCaseSensitive) >= 0;
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
    SetDlgCtrlId(m_cbExam, 1038);
    const QRect comboRect = Dlu(47, 7, 252, 12);
    m_cbExam->setGeometry(comboRect.x(), comboRect.y(), comboRect.width(),
                          std::max(comboRect.height(), m_cbExam->sizeHint().height()));
    m_Grid.Create(gdi::Rect::FromQRect(Dlu(7, 28, 234, 170)), this, 1007);
    auto* ok = new QPushButton(QStringLiteral("确定"), this);
    SetDlgCtrlId(ok, 1);
    ok->setGeometry(Dlu(249, 30, 50, 14));
    ok->setDefault(true);
    auto* quit = new QPushButton(QStringLiteral("退出"), this);
    SetDlgCtrlId(quit, 2);
    quit->setGeometry(Dlu(249, 47, 50, 14));
    quit->setAutoDefault(false);

    connect(m_cbExam, &QComboBox::activated, this, [this] { OnSelEndOkExam(); });
    connect(m_cbExam->lineEdit(), &QLineEdit::textEdited, this, [this] { OnEditChangeExam(); });
    connect(ok, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(quit, &QPushButton::clicked, this, [this] { OnCancel(); });
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
    if (db::Connection* db = AppConnection())
        m_cbExam->addItems(examsetup::ExamListTexts(*db, m_cipher));
    m_cbExam->setCurrentIndex(m_cbExam->count() > 0 ? 0 : -1);
}

void CWeightCoefDlg::EmptyGrid() {
    m_Grid.SetRowCount(1);
    m_rowFields.clear();
}

void CWeightCoefDlg::OnSelEndOkExam() {
    EmptyGrid();
}

void CWeightCoefDlg::OnEditChangeExam() {
    EmptyGrid();
}

void CWeightCoefDlg::OnOK() {
    db::Connection* db = AppConnection();
    // A text that names no registered exam is refused like a text outside the list: rows made
    // under no exam would belong to nobody.
    const examsetup::ExamRef exam = db && HoldsListItem(m_cbExam)
                                        ? examsetup::ResolveExam(*db, m_cipher, m_cbExam->currentText())
                                        : examsetup::ExamRef{};
    if (exam.id < 0) {
        ui::MessageBox(this, res::LoadString(57638), QString(), ui::MB_ICONERROR);
        return;
    }
    m_nExamId = exam.id;
    try {
        examsetup::InitWeights(*db, m_nExamId);
    } catch (const db::DbError&) {
        ui::MessageBox(this, res::LoadString(57621), res::LoadString(57656), ui::MB_ICONWARNING);
    }
    LoadWeights();
}

void CWeightCoefDlg::LoadWeights() {
    EmptyGrid();
    db::Connection* db = AppConnection();
    if (!db)
        return;
    std::vector<examsetup::WeightRow> rows;
    try {
        rows = examsetup::LoadWeights(*db, m_cipher, m_nExamId);
    } catch (const db::DbError&) {
        return;
    }
    const auto fullMark = [](const db::Variant& v) {
        return v.IsNull() ? QString() : QString::asprintf("%3d", v.ToInt());
    };
    const auto weight = [](const db::Variant& v) {
        return v.IsNull() ? QString() : examsetup::WeightText(v.ToDouble());
    };
    m_Grid.SetRowCount(static_cast<int>(rows.size()) + 1);
    int r = 1;
    for (const examsetup::WeightRow& row : rows) {
        m_rowFields << row.field;
        m_Grid.SetItemText(r, 0, row.name);
        m_Grid.SetItemText(r, 1, fullMark(row.t1));
        m_Grid.SetItemText(r, 2, weight(row.t1w));
        m_Grid.SetItemText(r, 3, fullMark(row.t2));
        m_Grid.SetItemText(r, 4, weight(row.t2w));
        ++r;
    }
}

void CWeightCoefDlg::OnGridBeginEdit(int row, int col) {
    m_strOldText = m_Grid.GetItemText(row, col);
}

LRESULT CWeightCoefDlg::OnGridEndEdit(int row, int col) {
    if (row < 1 || row > m_rowFields.size() || col < 1 || col > 4)
        return 0;
    const examsetup::WeightValues v =
        examsetup::WeightsFromTexts(m_Grid.GetItemText(row, 1), m_Grid.GetItemText(row, 2),
                                    m_Grid.GetItemText(row, 3), m_Grid.GetItemText(row, 4));
    const QString shown[] = {examsetup::FullMarkText(v.t1), examsetup::WeightText(v.t1w),
                             examsetup::FullMarkText(v.t2), examsetup::WeightText(v.t2w)};
    db::Connection* db = AppConnection();
    try {
        if (!db)
            throw db::DbError(db::DbError::kNotOpen, QStringLiteral("no connection"));
        // Written under the row's own subject column, whatever name the row shows.
        examsetup::WriteWeights(*db, m_nExamId, m_rowFields[row - 1], v);
    } catch (const db::DbError&) {
        m_Grid.SetItemText(row, col, m_strOldText);
        ui::MessageBox(this, res::LoadString(57619), res::LoadString(57618), ui::MB_ICONINFORMATION);
        return -1;
    }
    m_Grid.SetItemText(row, col, shown[col - 1]);
    return 0;
}

bool CWeightCoefDlg::event(QEvent* e) {
    NMHDR* hdr = NotifyHeader(e);
    if (!hdr || hdr->idFrom != 1007)
        return ui::Dialog::event(e);
    const auto* cell = reinterpret_cast<const NMGRIDCELL*>(hdr);
    LRESULT result = 0;
    if (hdr->code == GVN_BEGINLABELEDIT)
        OnGridBeginEdit(cell->row, cell->col);
    else if (hdr->code == GVN_ENDLABELEDIT)
        result = OnGridEndEdit(cell->row, cell->col);
    ui::AsWindowMessage(e)->SetResult(result);
    return true;
}
