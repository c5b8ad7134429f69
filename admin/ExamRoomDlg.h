#pragma once

#include "admin/AdminCommon.h"
#include "admin/ExamRoom.h"
#include "admin/RoomReport.h"
#include "report/ReportComponent.h"
#include "report/ReportRowSource.h"

class QButtonGroup;
class QComboBox;
class QLineEdit;

// 考场安排: seats the active students of a grade in exam rooms at random, gives each a four-digit
// exam number (room and seat), stores the numbers in the roster and prints class lists, room
// lists or desk labels. The grid is read-only: every number in it comes from the arrangement.
class CExamRoomDlg : public admin::CAdminGridDlg {
    Q_OBJECT
public:
    enum { IDD = 244 };
    static constexpr int IDC_HELP = 1012;
    static constexpr int IDC_PRINT = 1134;
    static constexpr int IDC_GRADE = 1149;
    static constexpr int IDC_ODD_CAPACITY = 1161;
    static constexpr int IDC_EVEN_CAPACITY = 1162;
    static constexpr int IDC_ARTS = 1163;
    static constexpr int IDC_LIST = 1164;
    static constexpr int IDC_ARRANGE = 1165;
    static constexpr int IDC_SCIENCE = 1166;
    static constexpr int IDC_SAVE = 1168;
    static constexpr int IDC_ALL_STREAMS = 1073;

    explicit CExamRoomDlg(QWidget* parent = nullptr);
    ~CExamRoomDlg() override;

    bool OnInitDialog() override;
    void FillGradeList();
    // 确定: lists the grade's active students of the chosen stream.
    void OnListStudents();
    // 安排考场: seats the listed students at random.
    void OnArrangeRooms();
    // 数据存盘: stores the exam numbers in the roster, all or none; true when they were stored.
    bool OnSaveNumbers();
    // 打印输出: class lists, room lists or desk labels.
    void OnPrint();
    // 退出; an arrangement not yet stored is offered for saving first.
    void OnCancel() override;
    void PrintRoomLists();
    void OnHelpMessage();

    int GetRowCount() const { return m_nRowCount; }
    int GetOutputChoice() const { return m_nOutputChoice; }
    CReportComponent& GetReportComponent() { return m_report; }

private:
    void DoDataExchange(bool saveAndValidate);
    // The two capacities from their edits; false, after the message, when one is refused.
    bool ReadCapacities();
    void ShowStudents(const std::vector<examroom::RoomStudent>& students);
    // After an 安排考场 not yet stored: 是 stores it first, 否 goes on without; false for 取消 or
    // a save that did not succeed, when the command stops.
    bool OfferSave();

    QComboBox* m_cbGrade;
    QButtonGroup* m_streams;
    QLineEdit* m_edOdd;
    QLineEdit* m_edEven;

    int m_nStream = examroom::kAllStreams;
    int m_nEvenCapacity = 25;
    int m_nOddCapacity = 25;
    QString m_strGrade;
    QString m_strListedGrade; // the grade box's text when the list was made: the printouts' title
    QString m_strListedCode;  // that grade's code: the grade whose arrangement is stored
    int m_nRowCount = 1;
    int m_nColCount = 7;
    int m_nOutputChoice = examroom::kClassLists;
    bool m_bArrangementRefused = false; // the last 安排考场 was refused: nothing to store
    bool m_bUnsaved = false;            // the grid shows an arrangement the roster does not hold

    CGridRowSource<CGridCtrl> m_rows{m_Grid, m_nRowCount, m_nColCount};
    CReportComponent m_report;
};
