#include "app/VeltoraView.h"

#include "admin/ExamMaintainDlg.h"
#include "admin/ExamNameDlg.h"
#include "admin/ExamRegisterDlg.h"
#include "admin/ExamRoomDlg.h"
#include "admin/GradeSetDlg.h"
#include "admin/GradeValueDlg.h"
#include "admin/PrepareScoreSheetDlg.h"
#include "admin/ScoreEntryDlg.h"
#include "admin/StudentListDlg.h"
#include "admin/StudentTypeDlg.h"
#include "admin/SubjectSetDlg.h"
#include "admin/WeightCoefDlg.h"
#include "analysis/QualifyLineDlg.h"
#include "analysis/ScoreQueryDlg.h"
#include "analysis/ScoreTrackDlg.h"
#include "analysis/SignificanceTestDlg.h"
#include "analysis/StudentTrackReportDlg.h"
#include "analysis/TeachEvalDlg.h"
#include "app/MainFrm.h"
#include "app/VeltoraApp.h"
#include "controls/LunarDlg.h"
#include "data/AppContext.h"
#include "data/ShippedFiles.h"
#include "platform/db/FileGuard.h"
#include "platform/drensil/Drensil.h"
#include "platform/log/Log.h"
#include "platform/res/StringTable.h"
#include "platform/ui/FileDialog.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/Messages.h"
#include "platform/ui/ModalRunner.h"
#include "platform/ui/Random.h"
#include "reports/AnalysisParamDlg.h"
#include "reports/BasicStatDlg.h"
#include "reports/ExcellentRateDlg.h"
#include "reports/GradeScorePrintDlg.h"
#include "reports/PercentModeDlg.h"
#include "reports/ScoreBandReportDlg.h"
#include "reports/ScorePrintDlg.h"
#include "reports/ScoreReportDlg.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include <ctime>

namespace {

constexpr int kBuiltinFirstId = 150;
constexpr int kBuiltinCount = 4;
const char* const kBuiltinType = "JPG";
// The largest background picture read; a larger file is left alone as if it were missing.
constexpr qint64 kMaxPictureBytes = 64LL * 1024 * 1024;

CMainFrame* MainFrame() {
    CVeltoraApp* app = GetVeltoraApp();
    return app ? app->GetMainWnd() : nullptr;
}

// Builds the dialog on the stack with no parent, lets `prepare` set its mode, runs it.
template <typename Dlg, typename Prepare> int RunDialog(Prepare prepare) {
    Dlg dlg(nullptr);
    prepare(dlg);
    return dlg.DoModal();
}

template <typename Dlg> int RunDialog() {
    return RunDialog<Dlg>([](Dlg&) {});
}

} // namespace

CVeltoraView::CVeltoraView(CVeltoraDoc* document, QWidget* parent) : QWidget(parent), m_pDocument(document) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_strCaption = res::LoadString(57656);
    const QString custom = CustomBackgroundPath();
    QString why;
    if (LoadPictureFile(custom, m_background, &why)) {
        m_nBackground = -1;
    } else {
        // A custom file that cannot be read (damaged, a format this build cannot decode, too large
        // or no regular file) leaves the built-in background, as a missing one does; the user can
        // choose another picture.
        if (QFileInfo::exists(custom))
            qCInfo(vlog::io) << "custom background" << custom << "not shown:" << why;
        m_nBackground = 0;
        LoadBuiltinBackground(0);
    }
    BuildCommandMap();
}

CVeltoraView::~CVeltoraView() = default;

QString CVeltoraView::CustomBackgroundPath() {
    return data::AppDirectory() + res::LoadString(57675);
}

QString CVeltoraView::BottomLineText() {
    return res::LoadString(57678) + u' ' + QString::fromLatin1(CMainFrame::kHomePage);
}

QString CVeltoraView::BackgroundFilter() {
    struct Format {
        const char* description;
        QStringList patterns;
        QByteArray format; // as the image reader names it; GIF the program decodes itself
    };
    const Format formats[] = {
        {"JPEG Files", {QStringLiteral("*.jpg")}, "jpeg"},
        {"Bitmap Files", {QStringLiteral("*.bmp")}, "bmp"},
        {"Gif Files", {QStringLiteral("*.gif")}, {}},
        {"PNG Files", {QStringLiteral("*.png")}, "png"},
    };
    const QList<QByteArray> readable = QImageReader::supportedImageFormats();
    QString filter;
    QStringList all;
    for (const Format& f : formats) {
        if (!f.format.isEmpty() && !readable.contains(f.format))
            continue;
        const QString patterns = f.patterns.join(u';');
        filter += QStringLiteral("%1 (%2)|%2|").arg(QLatin1String(f.description), patterns);
        all += f.patterns;
    }
    return filter + QStringLiteral("图片文件 (%1)|%1||").arg(all.join(u';'));
}

bool CVeltoraView::LoadPictureFile(const QString& path, CPicture& picture, QString* why,
                                   data::ReadRefusal* kind) {
    picture.FreePicture();
    const std::optional<QByteArray> data = data::ReadRegularFile(path, kMaxPictureBytes, why, kind);
    if (!data)
        return false;
    picture.LoadFromMemory(*data);
    if (!picture.IsLoaded()) {
        *why = QStringLiteral("not a picture the program can read");
        return false;
    }
    return true;
}

bool CVeltoraView::LoadBuiltinBackground(int index) {
    const QByteArray data = drensil::LoadResource(kBuiltinFirstId + index, QString::fromLatin1(kBuiltinType));
    if (data.isEmpty()) {
        m_background.FreePicture();
        return false;
    }
    return m_background.LoadFromMemory(data) && m_background.IsLoaded();
}

void CVeltoraView::BuildCommandMap() {
    auto on = [this](int id, void (CVeltoraView::*handler)()) {
        m_commands.On(id, [this, handler] { (this->*handler)(); });
    };
    on(32842, &CVeltoraView::OnUpgradeDatabase);
    on(32771, &CVeltoraView::OnGradeSettings);
    on(32772, &CVeltoraView::OnSubjectSettings);
    on(32773, &CVeltoraView::OnExamNames);
    on(32774, &CVeltoraView::OnGradeValues);
    on(32798, &CVeltoraView::OnCustomBackground);
    on(32799, &CVeltoraView::OnBuiltinBackground);
    on(32855, &CVeltoraView::OnStudentCategories);
    on(32775, &CVeltoraView::OnStudentList);
    on(32776, &CVeltoraView::OnExamRooms);
    on(32778, &CVeltoraView::OnExamRegister);
    on(32781, &CVeltoraView::OnWeightCoef);
    on(32840, &CVeltoraView::OnExamMaintenance);
    on(32780, &CVeltoraView::OnPrepareScoreSheet);
    on(32779, &CVeltoraView::OnScoreEntryByClass);
    on(32841, &CVeltoraView::OnScoreEntryByRoom);
    on(32850, &CVeltoraView::OnImportScoresById);
    on(32849, &CVeltoraView::OnImportScoresByName);
    on(32837, &CVeltoraView::OnAddStreamInfo);
    on(32784, &CVeltoraView::OnAnalysisParams);
    on(32794, &CVeltoraView::OnComputeValidTotals);
    on(32783, &CVeltoraView::OnGradeStats);
    on(32782, &CVeltoraView::OnClassStats);
    on(32857, &CVeltoraView::OnSubjectStats);
    on(32845, &CVeltoraView::OnTopStudentAverages);
    on(32848, &CVeltoraView::OnClassStdScoreReport);
    on(32789, &CVeltoraView::OnScoreBandReport);
    on(32843, &CVeltoraView::OnExcellentRate);
    on(32844, &CVeltoraView::OnPassRate);
    on(32791, &CVeltoraView::OnSubjectScoreList);
    on(32792, &CVeltoraView::OnStudentStdScores);
    on(32793, &CVeltoraView::OnStudentTScores);
    on(32818, &CVeltoraView::OnStandardizeScores);
    on(32834, &CVeltoraView::OnPrintScoreSlips);
    on(32797, &CVeltoraView::OnPrintClassScores);
    on(32820, &CVeltoraView::OnPrintGradeScores);
    on(32825, &CVeltoraView::OnStudentTrackChart);
    on(32821, &CVeltoraView::OnStudentTrackChart);
    on(32830, &CVeltoraView::OnStudentTrackReport);
    on(32831, &CVeltoraView::OnStudentTrackReport);
    on(32826, &CVeltoraView::OnClassTrack);
    on(32822, &CVeltoraView::OnClassTrack);
    on(32854, &CVeltoraView::OnTeachingEvaluation);
    on(32853, &CVeltoraView::OnTeachingEvaluation);
    on(32827, &CVeltoraView::OnLunarCalendar);
    on(32847, &CVeltoraView::OnQualifyingLines);
    on(32852, &CVeltoraView::OnNormalityTest);
    on(32851, &CVeltoraView::OnSignificanceTest);
    on(32836, &CVeltoraView::OnScoreHistory);
    on(32807, &CVeltoraView::OnQuickStart);
    on(ui::ID_FILE_PRINT, &CVeltoraView::OnFilePrint);
    on(ui::ID_FILE_PRINT_DIRECT, &CVeltoraView::OnFilePrintDirect);
    on(ui::ID_FILE_PRINT_PREVIEW, &CVeltoraView::OnFilePrintPreview);
}

bool CVeltoraView::OnCmdMsg(int id) {
    return m_commands.Dispatch(id);
}

bool CVeltoraView::OnUpdateCmdUI(int id, ui::CmdUI& ui) {
    return m_commands.Update(id, ui);
}

bool CVeltoraView::CheckAnalysisParams() {
    const CMainFrame* frame = MainFrame();
    if (frame && frame->HasSubjects())
        return true;
    m_strText = res::LoadString(57655);
    ui::MessageBox(this, m_strText, m_strCaption, ui::MB_ICONERROR);
    return false;
}

void CVeltoraView::ShowMessage(int stringId, unsigned type) {
    m_strText = res::LoadString(stringId);
    ui::MessageBox(this, m_strText, m_strCaption, type);
}

// ---- drawing

QRect CVeltoraView::BackgroundRect(int nBackground, int W, int H, int w, int h) {
    if (W <= 0 || H <= 0)
        return {};
    if (nBackground == 0)
        return {0, 0, W, H};
    if (w <= 0 || h <= 0)
        return {};
    // 64-bit products: a large picture in a large window overflows int.
    const qint64 wH = qint64(w) * H;
    const qint64 hW = qint64(h) * W;
    if (wH >= hW)
        return {0, 0, static_cast<int>(wH / h), H};
    return {0, 0, W, static_cast<int>(hW / w)};
}

void CVeltoraView::OnDraw(QPainter& dc) {
    const QRect client = rect();
    const int W = client.width();
    const int H = client.height();
    if (H <= 0)
        return;
    const QRect target = m_background.IsLoaded() ? BackgroundRect(m_nBackground, W, H, m_background.m_Width,
                                                                  m_background.m_Height)
                                                 : QRect();
    if (target.isEmpty() || !m_background.Render(&dc, target))
        dc.fillRect(client, palette().window());

    const QString line = BottomLineText();
    const QFontMetrics metrics(dc.font());
    dc.setBackgroundMode(Qt::TransparentMode);
    dc.setPen(QColor(0, 255, 0));
    dc.drawText(QRect(0, H - metrics.height(), metrics.horizontalAdvance(line) + 1, metrics.height()),
                Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, line);
}

void CVeltoraView::paintEvent(QPaintEvent*) {
    QPainter dc(this);
    dc.setFont(font());
    OnDraw(dc);
}

// ---- 系统设置

void CVeltoraView::OnUpgradeDatabase() {
    CVeltoraApp* app = GetVeltoraApp();
    QString reason;
    if (app && app->UpgradeDatabase(&reason)) {
        ShowMessage(57697, ui::MB_ICONINFORMATION);
        return;
    }
    m_strText = res::LoadString(57621);
    if (!reason.isEmpty())
        m_strText += u'\n' + reason;
    ui::MessageBox(this, m_strText, m_strCaption, ui::MB_ICONERROR);
}

void CVeltoraView::OnGradeSettings() {
    RunDialog<CGradeSetDlg>();
}
void CVeltoraView::OnSubjectSettings() {
    RunDialog<CSubjectSetDlg>();
}
void CVeltoraView::OnExamNames() {
    RunDialog<CExamNameDlg>();
}
void CVeltoraView::OnGradeValues() {
    RunDialog<CGradeValueDlg>();
}

void CVeltoraView::OnCustomBackground() {
    const QString path = ui::GetOpenFileName(this, BackgroundFilter());
    if (path.isEmpty())
        return;
    // A file that is no picture leaves the current background, and the file of later runs, alone.
    CPicture chosen;
    QString why;
    data::ReadRefusal kind = data::ReadRefusal::None;
    if (!LoadPictureFile(path, chosen, &why, &kind)) {
        qCInfo(vlog::io) << "background picture" << path << "not read:" << why;
        QString reason = QStringLiteral("它不是本程序能读取的图片，或者文件已损坏。");
        if (kind == data::ReadRefusal::TooLarge)
            reason =
                QStringLiteral("文件太大：图片文件不能超过%1 MB。").arg(kMaxPictureBytes / (1024 * 1024));
        else if (kind == data::ReadRefusal::NotRegular)
            reason = QStringLiteral("它不是普通文件（可能是设备或管道），不能作为图片读取。");
        else if (kind == data::ReadRefusal::DatabaseFile)
            reason = db::DatabaseFileRefusal();
        ui::MessageBox(this,
                       QStringLiteral("对不起，无法读取图片文件 %1！\n").arg(QDir::toNativeSeparators(path)) +
                           reason,
                       m_strCaption, ui::MB_ICONWARNING);
        return;
    }
    m_background.LoadFromMemory(chosen.GetData());
    m_nBackground = -1;
    update();
    m_background.SaveToFile(CustomBackgroundPath());
}

void CVeltoraView::OnBuiltinBackground() {
    ui::Srand(static_cast<unsigned>(std::time(nullptr)));
    int r = ui::Rand() % kBuiltinCount;
    if (m_nBackground != -1)
        while (r == m_nBackground)
            r = ui::Rand() % kBuiltinCount;
    m_nBackground = r;
    LoadBuiltinBackground(r);
    update();
    QFile::remove(CustomBackgroundPath());
}

// ---- 考前准备

void CVeltoraView::OnStudentCategories() {
    RunDialog<CStudentTypeDlg>();
}
void CVeltoraView::OnStudentList() {
    RunDialog<CStudentListDlg>();
}
void CVeltoraView::OnExamRooms() {
    RunDialog<CExamRoomDlg>();
}
void CVeltoraView::OnExamRegister() {
    RunDialog<CExamRegisterDlg>();
}
void CVeltoraView::OnWeightCoef() {
    RunDialog<CWeightCoefDlg>();
}
void CVeltoraView::OnExamMaintenance() {
    RunDialog<CExamMaintainDlg>();
}

// ---- 成绩录入

void CVeltoraView::OnPrepareScoreSheet() {
    RunDialog<CPrepareScoreSheetDlg>();
}
void CVeltoraView::OnScoreEntryByClass() {
    RunDialog<CScoreEntryDlg>([](CScoreEntryDlg& d) { d.SetEntryMode(0); });
}
void CVeltoraView::OnScoreEntryByRoom() {
    RunDialog<CScoreEntryDlg>([](CScoreEntryDlg& d) { d.SetEntryMode(1); });
}
void CVeltoraView::OnImportScoresById() {
    RunDialog<CScoreEntryDlg>([](CScoreEntryDlg& d) { d.SetEntryMode(0); });
}
void CVeltoraView::OnImportScoresByName() {
    RunDialog<CScoreEntryDlg>([](CScoreEntryDlg& d) { d.SetEntryMode(2); });
}
void CVeltoraView::OnAddStreamInfo() {
    RunDialog<CPrepareScoreSheetDlg>([](CPrepareScoreSheetDlg& d) { d.SetMode(1); });
}

// ---- 统计分析

void CVeltoraView::OnAnalysisParams() {
    RunDialog<CAnalysisParamDlg>([](CAnalysisParamDlg& d) { d.SetParamMode(0); });
}

void CVeltoraView::OnComputeValidTotals() {
    if (!CheckAnalysisParams())
        return;
    RunDialog<CAnalysisParamDlg>([](CAnalysisParamDlg& d) { d.SetParamMode(1); });
}

namespace {
template <typename Dlg, typename Prepare> void RunChecked(CVeltoraView& view, Prepare prepare) {
    if (view.CheckAnalysisParams())
        RunDialog<Dlg>(prepare);
}
} // namespace

void CVeltoraView::OnGradeStats() {
    RunChecked<CBasicStatDlg>(*this, [](CBasicStatDlg& d) { d.SetStatMode(0); });
}
void CVeltoraView::OnClassStats() {
    RunChecked<CBasicStatDlg>(*this, [](CBasicStatDlg& d) { d.SetStatMode(1); });
}
void CVeltoraView::OnSubjectStats() {
    RunChecked<CBasicStatDlg>(*this, [](CBasicStatDlg& d) { d.SetStatMode(2); });
}
void CVeltoraView::OnClassStdScoreReport() {
    RunChecked<CBasicStatDlg>(*this, [](CBasicStatDlg& d) { d.SetStatMode(3); });
}
void CVeltoraView::OnScoreBandReport() {
    RunChecked<CScoreBandReportDlg>(*this, [](CScoreBandReportDlg&) {});
}

void CVeltoraView::RunPercentCommand(int mode) {
    if (!CheckAnalysisParams())
        return;
    CPercentModeDlg percent(nullptr);
    percent.SetMode(mode == 2 ? 1 : 0);
    if (percent.DoModal() != ui::IDOK)
        return;
    CExcellentRateDlg dlg(nullptr);
    dlg.SetMode(mode, percent.m_nMethod);
    dlg.DoModal();
}

void CVeltoraView::OnExcellentRate() {
    RunPercentCommand(0);
}
void CVeltoraView::OnPassRate() {
    RunPercentCommand(1);
}
void CVeltoraView::OnTopStudentAverages() {
    RunPercentCommand(2);
}

void CVeltoraView::OnSubjectScoreList() {
    RunChecked<CScoreReportDlg>(*this, [](CScoreReportDlg& d) { d.SetReportMode(0); });
}
void CVeltoraView::OnStudentStdScores() {
    RunChecked<CScoreReportDlg>(*this, [](CScoreReportDlg& d) { d.SetReportMode(1); });
}
void CVeltoraView::OnStudentTScores() {
    RunChecked<CScoreReportDlg>(*this, [](CScoreReportDlg& d) { d.SetReportMode(2); });
}
void CVeltoraView::OnStandardizeScores() {
    RunChecked<CScoreReportDlg>(*this, [](CScoreReportDlg& d) { d.SetReportMode(3); });
}
void CVeltoraView::OnPrintScoreSlips() {
    RunChecked<CScorePrintDlg>(*this, [](CScorePrintDlg& d) { d.SetPrintMode(1); });
}
void CVeltoraView::OnPrintClassScores() {
    RunChecked<CScorePrintDlg>(*this, [](CScorePrintDlg&) {});
}
void CVeltoraView::OnPrintGradeScores() {
    RunChecked<CGradeScorePrintDlg>(*this, [](CGradeScorePrintDlg&) {});
}

// ---- 成绩跟踪

void CVeltoraView::OnStudentTrackChart() {
    RunDialog<CScoreTrackDlg>([](CScoreTrackDlg& d) { d.SetMode(0); });
}
void CVeltoraView::OnStudentTrackReport() {
    RunDialog<CStudentTrackReportDlg>();
}
void CVeltoraView::OnClassTrack() {
    RunDialog<CScoreTrackDlg>([](CScoreTrackDlg& d) { d.SetMode(1); });
}
void CVeltoraView::OnTeachingEvaluation() {
    RunDialog<CTeachEvalDlg>();
}
void CVeltoraView::OnLunarCalendar() {
    RunDialog<CLunarDlg>();
}

// ---- 统计扩展

void CVeltoraView::OnQualifyingLines() {
    RunChecked<CQualifyLineDlg>(*this, [](CQualifyLineDlg&) {});
}
void CVeltoraView::OnNormalityTest() {
    RunChecked<CSignificanceTestDlg>(*this, [](CSignificanceTestDlg& d) { d.SetMode(0); });
}
void CVeltoraView::OnSignificanceTest() {
    RunChecked<CSignificanceTestDlg>(*this, [](CSignificanceTestDlg& d) { d.SetMode(1); });
}
void CVeltoraView::OnScoreHistory() {
    RunDialog<CScoreQueryDlg>();
}

// ---- 帮助

void CVeltoraView::OnQuickStart() {
    m_strText = QStringLiteral("1.设置年级、考试科目和常用考试名称；\n"
                               "2.录入学生名单或导入学生名单；\n"
                               "3.为考试注册，设置加权系数，安排考室；\n"
                               "4.准备登分表（名单或考室改动后再次“载入数据”）、输入考试成绩；\n"
                               "5.对考试成绩进行统计分析！");
    ui::MessageBox(this, m_strText, m_strCaption, ui::MB_ICONINFORMATION);
}

// ---- printing

void CVeltoraView::OnFilePrint() {
    // The grid's preview asked to print: its dialog registered as print target with the frame.
    ui::PostMessage(MainFrame(), WM_PRINTGRID, 0, 0);
}

void CVeltoraView::PrintTo(QPrinter& printer) {
    QPainter dc;
    if (!dc.begin(&printer))
        return;
    const QRect page = printer.pageLayout().paintRectPixels(printer.resolution());
    dc.setWindow(rect());
    dc.setViewport(QRect(QPoint(0, 0), page.size()));
    OnDraw(dc);
}

void CVeltoraView::OnFilePrintDirect() {
    QPrinter printer;
    PrintTo(printer);
}

void CVeltoraView::OnFilePrintPreview() {
    QPrinter printer;
    QPrintPreviewDialog preview(&printer, this);
    connect(&preview, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* p) { PrintTo(*p); });
    ui::ExecDialog(preview);
}
