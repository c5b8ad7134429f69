#include "analysis/ScoreTrackDlg.h"

#include "analysis/TrackQueries.h"
#include "controls/ChartCtrl.h"
#include "controls/grid/GridCellCheck.h"
#include "controls/grid/RuntimeClass.h"
#include "data/AppContext.h"
#include "data/ExamChooser.h"
#include "data/GradeLookup.h"
#include "platform/db/DbError.h"
#include "platform/drensil/Drensil.h"
#include "platform/gdi/BitmapWriter.h"
#include "platform/log/Log.h"
#include "platform/res/StringTable.h"
#include "platform/ui/FileDialog.h"
#include "platform/ui/MessageBox.h"
#include "reports/ReportDialogSupport.h"
#include "reports/ReportQueries.h"

#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTreeWidget>

#include <algorithm>

using reports::DialogRect;

namespace {

constexpr int IDS_NO_SUCH_CLASS = 57718; // 有那么多班级吗？
constexpr int IDB_CLASS_PICTURE = 150;   // the class mode's picture, a JPG of the resource library

// The picture frame of the class mode: a grey rectangle with the dialog's picture stretched over it.
class CPictureFrame : public QFrame {
public:
    CPictureFrame(const CPicture& picture, QWidget* parent) : QFrame(parent), m_picture(picture) {
        setFrameShape(QFrame::Box);
        setAutoFillBackground(true);
        QPalette p = palette();
        p.setColor(QPalette::Window, QColor(128, 128, 128));
        setPalette(p);
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        QFrame::paintEvent(event);
        QPainter painter(this);
        m_picture.Render(&painter, QRect(0, 0, width(), height()));
    }

private:
    const CPicture& m_picture;
};

} // namespace

CScoreTrackDlg::CScoreTrackDlg(QWidget* parent) : ui::Dialog(IDD, parent) {
    setWindowTitle(QStringLiteral("成绩跟踪"));
    setFixedSize(DialogRect(0, 0, 432, 257).size());

    m_tree = new QTreeWidget(this);
    SetDlgCtrlId(m_tree, IDC_TREE);
    m_tree->setGeometry(DialogRect(7, 7, 100, 243));
    m_tree->setHeaderHidden(true);
    m_tree->setColumnCount(1);
    m_tree->setRootIsDecorated(true);
    m_tree->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tree->setDragEnabled(false);
    // Whole item texts, with a horizontal scroll bar when a name is long, never cut short.
    m_tree->setIndentation(12);
    m_tree->setTextElideMode(Qt::ElideNone);
    m_tree->header()->setStretchLastSection(false);
    m_tree->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);

    m_pictureFrame = new CPictureFrame(m_picture, this);
    SetDlgCtrlId(m_pictureFrame, IDC_PICTURE);
    m_pictureFrame->setGeometry(DialogRect(7, 7, 100, 243));

    m_chart = new CChartCtrl(this);
    SetDlgCtrlId(m_chart, IDC_CHART);
    m_chart->setGeometry(DialogRect(113, 7, 250, 150));
    m_chart->SetWindowText(QStringLiteral("It's trace"));

    m_gridExams.Create(gdi::Rect::FromQRect(DialogRect(113, 162, 250, 88)), this, IDC_EXAMS);
    m_gridExams.show();

    auto* group = new QGroupBox(this);
    group->setGeometry(DialogRect(369, 3, 58, 130));
    const auto label = [this](const QString& text, int y) {
        ui::AddLabel(this, text, DialogRect(374, y, 48, 10));
    };
    const auto combo = [this](int id, int y) {
        return ui::AddEditableCombo(this, id, DialogRect(374, y, 48, 14));
    };
    label(QStringLiteral("年级"), 11);
    m_cbGrade = combo(IDC_GRADE, 22);
    label(QStringLiteral("班级"), 40);
    m_spinClass = new QSpinBox(this);
    SetDlgCtrlId(m_spinClass, IDC_CLASS);
    m_spinClass->setRange(1, 99);
    m_spinClass->setWrapping(true);
    m_spinClass->setGeometry(DialogRect(374, 51, 48, 14));
    label(QStringLiteral("科目"), 69);
    m_cbSubject = combo(IDC_SUBJECT, 80);
    label(QStringLiteral("目标"), 98);
    m_cbTarget = combo(IDC_TARGET, 109);
    m_cbTarget->addItems(analysis::TraceTargetItems());

    const auto button = [this](int id, const QString& text, int y) {
        return ui::AddButton(this, id, text, DialogRect(373, y, 50, 16));
    };
    QPushButton* ok = button(ui::IDOK, QStringLiteral("确定"), 170);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(button(IDC_SAVE, QStringLiteral("保存"), 196), &QPushButton::clicked, this,
            [this] { OnSaveChart(); });
    connect(button(ui::IDCANCEL, QStringLiteral("退出"), 222), &QPushButton::clicked, this,
            [this] { OnCancel(); });

    connect(m_cbGrade, qOverload<int>(&QComboBox::activated), this,
            [this](int index) { OnSelChangeGrade(index); });
    connect(m_spinClass, qOverload<int>(&QSpinBox::valueChanged), this, [this] { OnChangeClass(); });
    connect(m_cbSubject, qOverload<int>(&QComboBox::activated), this,
            [this](int index) { OnSelChangeSubject(index); });
    connect(m_cbTarget, qOverload<int>(&QComboBox::activated), this, [this] { OnSelChangeTarget(); });
    connect(m_tree, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current) { OnSelChangeStudent(current); });
}

CScoreTrackDlg::~CScoreTrackDlg() = default;

void CScoreTrackDlg::DoDataExchange(bool saveAndValidate) {
    if (saveAndValidate) {
        m_nClass = m_spinClass->value();
        m_strGrade = m_cbGrade->currentText();
        m_strSubject = m_cbSubject->currentText();
    } else {
        {
            const QSignalBlocker quiet(m_spinClass);
            m_spinClass->setValue(m_nClass);
        }
        m_cbGrade->setEditText(m_strGrade);
        m_cbSubject->setEditText(m_strSubject);
    }
}

bool CScoreTrackDlg::OnInitDialog() {
    ui::Dialog::OnInitDialog();
    DoDataExchange(false);
    LoadGrades();
    LoadSubjects();
    if (m_cbSubject->count() > 3)
        m_cbSubject->setCurrentIndex(3);
    m_cbTarget->setCurrentIndex(0);

    m_nExamRows = 1;
    m_gridExams.SetRowCount(1);
    m_gridExams.SetColumnCount(4);
    m_gridExams.SetFixedColumnCount(3);
    m_gridExams.SetFixedRowCount(1);
    m_gridExams.EnableColumnResize(false);
    m_gridExams.SetItemText(0, 1, QStringLiteral("序号"));
    m_gridExams.SetItemText(0, 2, QStringLiteral("考试名称"));
    m_gridExams.SetItemText(0, 3, QStringLiteral("是否跟踪"));
    m_gridExams.SetColumnWidth(0, 0);
    m_gridExams.AutoSizeColumns();

    QPalette p = m_tree->palette();
    p.setColor(QPalette::Base, QColor(0, 128, 128));
    m_tree->setPalette(p);

    if (m_nMode == 0) {
        m_pictureFrame->hide();
    } else {
        m_tree->hide();
        const QByteArray picture = drensil::LoadResource(IDB_CLASS_PICTURE, QStringLiteral("JPG"));
        if (picture.isEmpty() || !m_picture.LoadFromMemory(picture) || !m_picture.IsLoaded())
            qCWarning(vlog::ui) << "the class picture is missing from the resource library";
    }

    // Until the first trace: one bar "One" under the title "It's trace".
    m_chart->SetColorScheme(2);
    m_chart->SetChartStyle(1);
    m_chart->AddValue(150.0, QStringLiteral("One"), false);

    // The first grade opens with its exams listed and the first trace drawn: its first student,
    // or its first class that has students.
    if (HasGrades()) {
        if (m_nMode == 0 || OpenOnFirstClass()) {
            ReloadGrade();
        } else {
            // No class of the grade has students: the exams are listed, nothing is drawn and
            // nothing is said until the user asks for a class.
            m_strGrade = m_cbGrade->currentText();
            m_strGradeCode = GradeCodeOfText();
            LoadExams(m_strGradeCode);
        }
    }
    return true;
}

bool CScoreTrackDlg::OpenOnFirstClass() {
    const QVariant code = m_cbGrade->itemData(0);
    const QString gradeCode = code.isValid() ? code.toString() : GradeCodeOfText();
    try {
        const std::vector<int> classes =
            analysis::RosterClasses(data::Database(), gradeCode, Target());
        if (classes.empty())
            return false;
        if (std::find(classes.begin(), classes.end(), m_nClass) == classes.end()) {
            m_nClass = classes.front();
            const QSignalBlocker quiet(m_spinClass);
            m_spinClass->setValue(m_nClass);
        }
        return true;
    } catch (const db::DbError& e) {
        qCWarning(vlog::db) << "class list not read:" << e.Message();
        return false;
    }
}

void CScoreTrackDlg::LoadGrades() {
    for (const data::GradeEntry& g : data::GradeEntries(data::Database(), data::GradeOrder::Code))
        m_cbGrade->addItem(g.name, g.code);
    m_cbGrade->setCurrentIndex(m_cbGrade->count() > 0 ? 0 : -1);
}

void CScoreTrackDlg::LoadSubjects() {
    try {
        m_cbSubject->addItems(analysis::TrackSubjects(data::Database(), m_cipher));
    } catch (const db::DbError& e) {
        qCWarning(vlog::db) << "subject list not loaded:" << e.Message();
    }
}

void CScoreTrackDlg::LoadExams(const QString& gradeCode) {
    m_nExamRows = 1;
    m_gridExams.SetRowCount(1);
    try {
        for (const analysis::TrackExam& exam : analysis::GradeExams(data::Database(), m_cipher, gradeCode)) {
            const int r = m_nExamRows++;
            m_gridExams.SetRowCount(m_nExamRows);
            if (exam.id)
                m_gridExams.SetItemText(r, 0, QString::number(*exam.id));
            m_gridExams.SetItemText(r, 1, QStringLiteral("第%1次").arg(r));
            // The tracking cell is a box to tick: it takes no typed text.
            m_gridExams.SetItemState(r, 3, m_gridExams.GetItemState(r, 3) | GCS_READONLY);
            // An exam without a name is listed but never tracked.
            if (exam.name) {
                m_gridExams.SetItemText(r, 2, *exam.name);
                m_gridExams.SetCellType(r, 3, RuntimeClass<CGridCellCheck>());
                if (auto* check = dynamic_cast<CGridCellCheck*>(m_gridExams.GetCell(r, 3)))
                    check->SetCheck(true);
            }
        }
    } catch (const db::DbError& e) {
        qCWarning(vlog::db) << "exam list not loaded:" << e.Message();
    }
    m_gridExams.AutoSizeColumns();
    m_gridExams.SetColumnWidth(0, 0);
    m_gridExams.update();
}

void CScoreTrackDlg::LoadStudentTree(const QString& gradeCode) {
    DoDataExchange(true);
    const QSignalBlocker quiet(m_tree);
    m_tree->clear();
    // A class without students tracks nobody: the last class's student is not drawn under it.
    m_strStudentId.clear();
    m_strStudentItem.clear();
    auto* classItem = new QTreeWidgetItem(m_tree, {QStringLiteral("%1[%2]").arg(m_strGrade).arg(m_nClass)});
    try {
        bool first = true;
        for (const analysis::RosterStudent& s :
             analysis::ClassRoster(data::Database(), gradeCode, m_nClass)) {
            const QString id = s.studentId.value_or(QString());
            const QString text = QStringLiteral("[%1]").arg(id) + s.name.value_or(QString());
            // The first student listed is tracked until another is chosen, even one whose name
            // is missing and who therefore has no item.
            if (s.studentId && first) {
                first = false;
                m_strStudentId = id;
                m_strStudentItem = text;
            }
            if (s.name) {
                auto* item = new QTreeWidgetItem(classItem, {text});
                item->setData(0, Qt::UserRole, id);
            }
        }
    } catch (const db::DbError& e) {
        qCWarning(vlog::db) << "class list not loaded:" << e.Message();
    }
    classItem->setExpanded(true);
}

bool CScoreTrackDlg::HasGrades() const {
    return m_cbGrade->count() > 0;
}

QString CScoreTrackDlg::GradeCodeOfText() const {
    const QString text = m_cbGrade->currentText();
    const int picked = m_cbGrade->currentIndex();
    if (picked >= 0 && m_cbGrade->itemText(picked) == text && m_cbGrade->itemData(picked).isValid())
        return m_cbGrade->itemData(picked).toString();
    QString code = text;
    try {
        data::GetGradeNo(data::Database(), code);
    } catch (const db::DbError& e) {
        qCWarning(vlog::db) << "grade code not read:" << e.Message();
    }
    return code;
}

int CScoreTrackDlg::Target() const {
    return m_cbTarget->findText(m_cbTarget->currentText(), Qt::MatchExactly);
}

void CScoreTrackDlg::OnSelChangeGrade(int index) {
    if (!HasGrades() || index < 0)
        return;
    m_cbGrade->setEditText(m_cbGrade->itemText(index));
    ReloadGrade();
}

void CScoreTrackDlg::OnChangeClass() {
    if (!HasGrades())
        return;
    ReloadGrade();
}

void CScoreTrackDlg::ReloadGrade() {
    m_strGrade = m_cbGrade->currentText();
    m_strGradeCode = GradeCodeOfText();
    LoadExams(m_strGradeCode);
    DoDataExchange(true);
    if (m_nMode == 0)
        LoadStudentTree(m_strGradeCode);
    Redraw();
}

void CScoreTrackDlg::OnSelChangeSubject(int index) {
    if (!HasGrades() || index < 0)
        return;
    m_strSubject = m_cbSubject->itemText(index);
    m_cbSubject->setEditText(m_strSubject);
    Redraw();
}

void CScoreTrackDlg::OnSelChangeTarget() {
    if (!HasGrades())
        return;
    Redraw();
}

void CScoreTrackDlg::OnSelChangeStudent(QTreeWidgetItem* item) {
    if (!HasGrades() || !item || item->childCount() > 0 || m_nMode != 0)
        return;
    DoDataExchange(true);
    m_strStudentItem = item->text(0);
    // The class item of an empty class carries no number: nobody is tracked.
    m_strStudentId = item->data(0, Qt::UserRole).toString();
    Redraw();
    DoDataExchange(false);
}

void CScoreTrackDlg::OnOK() {
    if (!HasGrades())
        return;
    // A subject typed into the list counts from here on.
    DoDataExchange(true);
    Redraw();
}

void CScoreTrackDlg::Redraw() {
    if (m_nMode == 0)
        DrawStudentTrace();
    else
        DrawClassTrace();
    // Also when no bar was added, so that the last trace's bars do not stay under the new title.
    m_chart->update();
}

void CScoreTrackDlg::TrackedExams(std::vector<int>& rows, std::vector<int>& examIds) {
    for (int r = 1; r < m_nExamRows; ++r) {
        const auto* check = dynamic_cast<const CGridCellCheck*>(m_gridExams.GetCell(r, 3));
        if (!check || !check->GetCheck())
            continue;
        bool ok = false;
        const int id = m_gridExams.GetItemText(r, 0).toInt(&ok);
        if (!ok)
            continue;
        rows.push_back(r);
        examIds.push_back(id);
    }
}

void CScoreTrackDlg::DrawStudentTrace() {
    m_chart->RemoveAll();
    m_chart->SetWindowText(m_strStudentItem);
    db::Connection* conn = nullptr;
    try {
        conn = &data::Database();
    } catch (const db::DbError& e) {
        qCWarning(vlog::db) << "no trace drawn:" << e.Message();
        return;
    }
    const std::optional<QString> column = analysis::SubjectColumn(*conn, m_cipher, m_strSubject);
    if (!column)
        return;
    std::vector<int> rows;
    std::vector<int> examIds;
    TrackedExams(rows, examIds);
    const std::vector<std::optional<double>> bars =
        analysis::StudentTrace(*conn, examIds, *column, m_strStudentId, Target());
    for (std::size_t i = 0; i < bars.size(); ++i)
        if (bars[i])
            m_chart->AddValue(*bars[i], QString::number(rows[i]), true);
}

void CScoreTrackDlg::DrawClassTrace() {
    m_chart->RemoveAll();
    const int target = Target();
    try {
        db::Connection& conn = data::Database();
        const std::optional<QString> column = analysis::SubjectColumn(conn, m_cipher, m_strSubject);
        const std::vector<int> classes = analysis::RosterClasses(conn, m_strGradeCode, target);
        m_nClassCount = int(classes.size());
        if (std::find(classes.begin(), classes.end(), m_nClass) == classes.end()) {
            ui::MessageBox(this, res::LoadString(IDS_NO_SUCH_CLASS), reports::MessageCaption(),
                           ui::MB_OK | ui::MB_ICONWARNING);
            return;
        }
        m_chart->SetWindowText(target == analysis::kTraceScore
                                   ? QStringLiteral("The trace for class %1").arg(m_nClass)
                                   : QStringLiteral("Total Class:%1").arg(m_nClassCount));
        if (!column)
            return;
        std::vector<int> rows;
        std::vector<int> examIds;
        TrackedExams(rows, examIds);
        const std::vector<std::optional<double>> bars =
            analysis::ClassTrace(conn, examIds, *column, m_nClass, target);
        for (std::size_t i = 0; i < bars.size(); ++i)
            if (bars[i])
                m_chart->AddValue(*bars[i], QString::number(rows[i]), true);
    } catch (const db::DbError& e) {
        qCWarning(vlog::db) << "class trace not drawn:" << e.Message();
    }
}

void CScoreTrackDlg::OnSaveChart() {
    // The chart as it shows at this moment.
    const QImage picture = m_chart->grab().toImage();
    const QString proposed = m_nMode == 0
                                 ? m_strSubject + m_strStudentId + QStringLiteral(".bmp")
                                 : m_strGrade + m_strSubject +
                                       QStringLiteral("%1班").arg(m_nClass, 2, 10, QLatin1Char('0')) +
                                       m_cbTarget->currentText() + QStringLiteral(".bmp");
    const QString path = ui::GetSaveFileName(this, QStringLiteral("位图文件 (*.bmp)|*.bmp||"), proposed);
    if (path.isEmpty())
        return;
    if (!SaveBitmapToFile(picture, path, picture.depth())) {
        qCWarning(vlog::ui) << "chart not saved to" << path;
        ui::MessageBox(this, QStringLiteral("对不起，图片保存失败！"), reports::MessageCaption(),
                       ui::MB_OK | ui::MB_ICONERROR);
    }
}
