#pragma once
// The one view: the background picture with the bottom line, and the handlers of almost every
// menu command. Each handler builds its dialog on the stack, sets its mode, runs it modally and
// lets it go when it returns; the statistics commands first check the analysis context.

#include "controls/Picture.h"
#include "data/ShippedFiles.h"
#include "platform/ui/Commands.h"

#include <QRect>
#include <QString>
#include <QWidget>

class CVeltoraDoc;
class CMainFrame;
class QPainter;
class QPrinter;

class CVeltoraView : public QWidget, public ui::CommandTarget {
    Q_OBJECT
public:
    explicit CVeltoraView(CVeltoraDoc* document = nullptr, QWidget* parent = nullptr);
    ~CVeltoraView() override;

    CVeltoraDoc* GetDocument() const { return m_pDocument; }

    // True while analysis parameters are set; otherwise tells the user so and answers false.
    bool CheckAnalysisParams();

    void OnDraw(QPainter& dc);
    // The rectangle the background picture of size w × h is drawn into in a client of W × H:
    // stretched for built-in picture 0, else scaled with its proportions kept to fill the client,
    // anchored top left. Empty for a picture without a size.
    static QRect BackgroundRect(int nBackground, int W, int H, int w, int h);
    // "成绩分析系统" and the home-page address.
    static QString BottomLineText();

    // The custom background file in the program directory.
    static QString CustomBackgroundPath();
    // The open-file filter of 软件背景设置: only the picture formats the program can read.
    static QString BackgroundFilter();
    int GetBackground() const { return m_nBackground; }
    const CPicture& GetPicture() const { return m_background; }

    bool OnCmdMsg(int id) override;
    bool OnUpdateCmdUI(int id, ui::CmdUI& ui) override;
    const ui::CommandMap& Commands() const { return m_commands; }

    // 系统设置
    void OnUpgradeDatabase();
    void OnGradeSettings();
    void OnSubjectSettings();
    void OnExamNames();
    void OnGradeValues();
    void OnCustomBackground();
    void OnBuiltinBackground();
    // 考前准备
    void OnStudentCategories();
    void OnStudentList();
    void OnExamRooms();
    void OnExamRegister();
    void OnWeightCoef();
    void OnExamMaintenance();
    // 成绩录入
    void OnPrepareScoreSheet();
    void OnScoreEntryByClass();
    void OnScoreEntryByRoom();
    void OnImportScoresById();
    void OnImportScoresByName();
    void OnAddStreamInfo();
    // 统计分析
    void OnAnalysisParams();
    void OnComputeValidTotals();
    void OnGradeStats();
    void OnClassStats();
    void OnSubjectStats();
    void OnTopStudentAverages();
    void OnClassStdScoreReport();
    void OnScoreBandReport();
    void OnExcellentRate();
    void OnPassRate();
    void OnSubjectScoreList();
    void OnStudentStdScores();
    void OnStudentTScores();
    void OnStandardizeScores();
    void OnPrintScoreSlips();
    void OnPrintClassScores();
    void OnPrintGradeScores();
    // 成绩跟踪
    void OnStudentTrackChart();
    void OnStudentTrackReport();
    void OnClassTrack();
    void OnTeachingEvaluation();
    void OnLunarCalendar();
    // 统计扩展
    void OnQualifyingLines();
    void OnNormalityTest();
    void OnSignificanceTest();
    void OnScoreHistory();
    // 帮助
    void OnQuickStart();
    // Printing: the grid preview's Print button, and the view's own printing.
    void OnFilePrint();
    void OnFilePrintDirect();
    void OnFilePrintPreview();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void BuildCommandMap();
    bool LoadBuiltinBackground(int index);
    // Loads a picture file into `picture`; false (and `why`) when it is missing, no regular file,
    // larger than 64 MB, cannot be read or is no picture the program can decode, which leaves
    // `picture` empty. `kind`, when given, tells a file refused before decoding.
    static bool LoadPictureFile(const QString& path, CPicture& picture, QString* why,
                                data::ReadRefusal* kind = nullptr);
    void ShowMessage(int stringId, unsigned type);
    void RunPercentCommand(int mode);
    void PrintTo(QPrinter& printer);

    QString m_strText;
    QString m_strCaption;
    CPicture m_background;
    int m_nBackground = 0;

    CVeltoraDoc* m_pDocument;
    ui::CommandMap m_commands;
};
