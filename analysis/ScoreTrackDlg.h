#pragma once
// "成绩跟踪": a student's or a class's results over the exams of a grade, in date order, as a bar
// chart with one bar per tracked exam: the student's score or rank (mode 0), or the class's
// average or its rank among the classes (any other mode), for a subject or a total. 保存 writes
// the chart as a .bmp file.

#include "controls/Picture.h"
#include "controls/grid/GridCtrl.h"
#include "data/TextCipher.h"
#include "platform/ui/Dialog.h"

#include <QString>

#include <vector>

class CChartCtrl;
class QComboBox;
class QSpinBox;
class QTreeWidget;
class QTreeWidgetItem;

class CScoreTrackDlg : public ui::Dialog {
    Q_OBJECT
public:
    enum { IDD = 155 };
    static constexpr int IDC_EXAMS = 1007;
    static constexpr int IDC_GRADE = 1008;
    static constexpr int IDC_CLASS = 1010;
    static constexpr int IDC_SUBJECT = 1051;
    static constexpr int IDC_TREE = 1105;
    static constexpr int IDC_CHART = 1115;
    static constexpr int IDC_TARGET = 1117;
    static constexpr int IDC_PICTURE = 1120;
    static constexpr int IDC_SAVE = 1209;

    explicit CScoreTrackDlg(QWidget* parent = nullptr);
    ~CScoreTrackDlg() override;

    // 0 one student, any other value a class; set before the dialog runs.
    void SetMode(int mode) { m_nMode = mode; }
    int GetMode() const { return m_nMode; }

    void DoDataExchange(bool saveAndValidate);
    bool OnInitDialog() override;
    // 确定: the chart again from the ticked exams; the dialog stays open.
    void OnOK() override;
    void OnSelChangeGrade(int index);
    void OnChangeClass();
    void OnSelChangeSubject(int index);
    void OnSelChangeTarget();
    // A tree item chosen: an item without children is the student to track (mode 0).
    void OnSelChangeStudent(QTreeWidgetItem* item);
    // 保存: the chart as it shows now, written as a .bmp file.
    void OnSaveChart();
    void Redraw();

    CChartCtrl& Chart() { return *m_chart; }
    CGridCtrl& Exams() { return m_gridExams; }
    QTreeWidget* StudentTree() const { return m_tree; }
    QWidget* PictureFrame() const { return m_pictureFrame; }
    QComboBox* GradeList() const { return m_cbGrade; }
    QComboBox* SubjectList() const { return m_cbSubject; }
    QComboBox* TargetList() const { return m_cbTarget; }
    QSpinBox* ClassBox() const { return m_spinClass; }
    const CPicture& Picture() const { return m_picture; }

    int m_nClass = 1;
    QString m_strGrade;
    QString m_strStudentId;
    QString m_strSubject;
    QString m_strGradeCode;
    int m_nExamRows = 1;
    QString m_strStudentItem;
    int m_nClassCount = 0;

private:
    void LoadGrades();
    void LoadSubjects();
    void LoadExams(const QString& gradeCode);
    void LoadStudentTree(const QString& gradeCode);
    void DrawStudentTrace();
    void DrawClassTrace();
    // The grade and class handlers' common steps.
    void ReloadGrade();
    // Class mode at opening: the spin box on the grade's first class with students when class 1
    // has none; false when no class has any.
    bool OpenOnFirstClass();
    bool HasGrades() const;
    // The code of the grade text: the picked item's code, else the typed text looked up.
    QString GradeCodeOfText() const;
    int Target() const;
    // The ticked rows of the exam grid: their row numbers and exam ids.
    void TrackedExams(std::vector<int>& rows, std::vector<int>& examIds);

    CChartCtrl* m_chart;
    QComboBox* m_cbTarget;
    QComboBox* m_cbSubject;
    QComboBox* m_cbGrade;
    QSpinBox* m_spinClass;
    QTreeWidget* m_tree;
    QWidget* m_pictureFrame;
    CGridCtrl m_gridExams{0, 0, 0, 0};
    CTextCipher m_cipher;
    CPicture m_picture;
    int m_nMode = 0;
};
