#pragma once
// "学生个体成绩跟踪报表": the students of one class of a grade followed over the grade's exams in
// date order: per tracked exam each student's score and rank (in the class, the grade or a
// stream), and the weighted sum 综合, the table sorted from the highest sum down. The table is
// previewed through the report component, printed on the grid's print request, or exported.

#include "controls/grid/GridCtrl.h"
#include "data/TextCipher.h"
#include "platform/ui/Dialog.h"
#include "report/GridReportSink.h"
#include "report/ReportComponent.h"
#include "report/ReportRowSource.h"

#include <cstdint>

class QComboBox;
class QSpinBox;

class CStudentTrackReportDlg : public ui::Dialog {
    Q_OBJECT
public:
    enum { IDD = 156 };
    static constexpr int IDC_TARGET = 1117;
    static constexpr int IDC_SUBJECT = 1051;
    static constexpr int IDC_GRADE = 1008;
    static constexpr int IDC_CLASS = 1010;
    static constexpr int IDC_STUDENTS = 1118;
    static constexpr int IDC_EXAMS = 1119;
    static constexpr int IDC_PRINT_REPORT = 1091;
    static constexpr int IDC_EXPORT = 1134;

    explicit CStudentTrackReportDlg(QWidget* parent = nullptr);
    ~CStudentTrackReportDlg() override;

    void DoDataExchange(bool saveAndValidate);
    bool OnInitDialog() override;
    // 确定: the tracking table from the ticked exams; the dialog stays open.
    void OnOK() override;
    void OnSelectGrade(int index);
    void OnChangeClassNo();
    void OnPrintReport();
    void OnExportSpreadsheet();
    // WM_PRINTGRID: the table's grid on a printer the user chooses.
    std::intptr_t OnPrintGrid(std::uintptr_t wParam, std::intptr_t lParam);
    // Rebuilds the report definition from the table (it does not show it).
    void BuildReport();

    CGridCtrl& Students() { return m_gridStudents; }
    CGridCtrl& Exams() { return m_gridExams; }
    QComboBox* GradeList() const { return m_cbGrade; }
    QComboBox* SubjectList() const { return m_cbSubject; }
    QComboBox* TargetList() const { return m_cbTarget; }
    QSpinBox* ClassBox() const { return m_spinClass; }
    CReportComponent& ReportComponent() { return m_report; }

    QString m_strGradeCode;
    QString m_strGrade;
    QString m_strSubject;
    int m_nClass = 1;
    int m_nStudentRows = 1;
    int m_nStudentCols = 2;
    int m_nExamRows = 1;
    int m_nExamCols = 5;
    int m_nTarget = 0;

protected:
    bool event(QEvent* event) override;

private:
    void LoadGrades();
    void LoadSubjects();
    void LoadExams(const QString& gradeCode);
    // The grade code of the grade text: the picked item's code, else the typed text looked up.
    QString GradeCodeOfText();

    QComboBox* m_cbTarget;
    QComboBox* m_cbSubject;
    QComboBox* m_cbGrade;
    QSpinBox* m_spinClass;
    CGridCtrl m_gridStudents{0, 0, 0, 0};
    CGridCtrl m_gridExams{0, 0, 0, 0};
    CTextCipher m_cipher;
    CGridRowSource<CGridCtrl> m_rows{m_gridStudents, m_nStudentRows, m_nStudentCols};
    // Last: it disconnects its sink, which reads the rows, before they go.
    CReportComponent m_report;
};
