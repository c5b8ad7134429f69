#include "admin/ImportFieldMapDlg.h"

#include "admin/ImportSource.h"
#include "admin/ScoreImport.h"
#include "controls/grid/GridCellCombo.h"

#include <QKeyEvent>
#include <QPushButton>

namespace {

// Dialog units of the template to pixels.
QRect Dlu(int x, int y, int w, int h) {
    return QRect(x * 7 / 4, y * 7 / 4, w * 7 / 4, h * 7 / 4);
}

} // namespace

CImportFieldMapDlg::CImportFieldMapDlg(QWidget* parent) : admin::CAdminGridDlg(IDD, parent) {
    setWindowTitle(admin::ImportMapCaption(admin::IMPORT_ROSTER));
    // Tall enough for the nine roster rows: combo cells make rows of text and button height.
    setFixedSize(Dlu(0, 0, 262, 262).size());
    m_Grid.setGeometry(Dlu(7, 7, 192, 248));
    QPushButton* import = AddButton(1, QStringLiteral("导入"), [this] { OnOK(); });
    import->setGeometry(Dlu(205, 7, 50, 14));
    import->setDefault(true);
    QPushButton* help = AddButton(IDC_HELP, QStringLiteral("帮助"), [this] { OnHelp(); });
    help->setGeometry(Dlu(205, 24, 50, 14));
    help->setAutoDefault(false);
    QPushButton* quit = AddButton(2, QStringLiteral("退出"), [this] { OnCancel(); });
    quit->setGeometry(Dlu(205, 41, 50, 14));
    quit->setAutoDefault(false);
    // The grid keeps Esc while it has a focus cell; here nothing is stored cell by cell, so Esc
    // leaves the dialog as 退出 does (an open cell editor takes its own Esc first).
    m_Grid.installEventFilter(this);
}

bool CImportFieldMapDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &m_Grid && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape &&
        static_cast<QKeyEvent*>(event)->modifiers() == Qt::NoModifier) {
        OnCancel();
        return true;
    }
    return admin::CAdminGridDlg::eventFilter(watched, event);
}

void CImportFieldMapDlg::JoinFieldNames(const QString& offer) {
    m_strOffers << offer;
    ++m_nOfferCount;
}

bool CImportFieldMapDlg::OnInitDialog() {
    const QStringList targets = admin::ImportTargetFields(m_nImportMode);
    m_nRows = static_cast<int>(targets.size()) + 1;
    m_nCols = 2;
    m_Grid.SetRowCount(m_nRows);
    m_Grid.SetColumnCount(m_nCols);
    m_Grid.SetFixedColumnCount(1);
    m_Grid.SetFixedRowCount(1);
    m_Grid.SetItemText(0, 0, QStringLiteral("目标字段"));
    m_Grid.SetItemText(0, 1, QStringLiteral("数据源字段"));
    for (int row = 1; row < m_nRows; ++row)
        m_Grid.SetItemText(row, 0, targets.at(row - 1));
    if (m_nImportMode != admin::IMPORT_ROSTER)
        setWindowTitle(admin::ImportMapCaption(m_nImportMode));
    for (int row = 1; row < m_nRows; ++row)
        if (!m_Grid.SetCellType(row, 1, RuntimeClass<CGridCellCombo>()))
            return false;
    admin::ApplySettingsFont(m_Grid);
    m_Grid.AutoSize(GVS_DEFAULT);
    return true;
}

void CImportFieldMapDlg::showEvent(QShowEvent* event) {
    admin::CAdminGridDlg::showEvent(event);
    OnShowWindow();
}

void CImportFieldMapDlg::OnShowWindow() {
    const QStringList offers = m_strOffers.mid(0, m_nOfferCount);
    for (int row = 1; row < m_nRows; ++row) {
        if (auto* cell = dynamic_cast<CGridCellCombo*>(m_Grid.GetCell(row, 1))) {
            cell->SetOptions(offers);
            // The user may pick an offer or type a text of his own.
            cell->SetStyle(CBS_DROPDOWN);
        }
    }
}

QString CImportFieldMapDlg::GetMappedText(int row) const {
    return row >= 1 && row < m_nRows ? m_Grid.GetItemText(row, 1) : QString();
}

QStringList CImportFieldMapDlg::GetMappedTexts() const {
    QStringList texts;
    for (int row = 1; row < m_nRows; ++row)
        texts << GetMappedText(row);
    return texts;
}

void CImportFieldMapDlg::OnOK() {
    // A column's name typed by hand is taken as the column chosen from the list.
    const QStringList offers = m_strOffers.mid(0, m_nOfferCount);
    for (int row = 1; row < m_nRows; ++row) {
        const QString text = m_Grid.GetItemText(row, 1);
        const QString chosen = admin::ImportChosenOffer(m_nImportMode, offers, text);
        if (chosen != text)
            m_Grid.SetItemText(row, 1, chosen);
    }
    if (m_nImportMode == admin::IMPORT_SCORES_BY_NUMBER || m_nImportMode == admin::IMPORT_SCORES_BY_NAME) {
        if (!ValidateScoreMapping())
            return;
    } else {
        const QString refusal = admin::ImportMappingRefusal(admin::IMPORT_ROSTER, GetMappedTexts());
        if (!refusal.isEmpty()) {
            Message(refusal, ui::MB_ICONERROR);
            return;
        }
    }
    admin::CAdminGridDlg::OnOK();
}

bool CImportFieldMapDlg::ValidateScoreMapping() {
    QString refusal = admin::ImportMappingRefusal(m_nImportMode, GetMappedTexts());
    // A mapping the import would refuse (a paper typed by hand that names no column, one column
    // for both papers) is refused here, while the choices made can still be mended.
    if (refusal.isEmpty())
        refusal = scoreimport::MapProblemText(scoreimport::CheckMapping(m_nImportMode, GetMappedTexts()));
    if (refusal.isEmpty())
        return true;
    Message(refusal, ui::MB_ICONERROR);
    return false;
}

void CImportFieldMapDlg::OnHelp() {
    Message(QStringLiteral("一个英文字符是1位，一个汉字大小是2位。"), ui::MB_ICONINFORMATION);
}
