#include "ShellSupport.h"

#include "admin/PrepareScoreSheetDlg.h"
#include "admin/ScoreEntryDlg.h"
#include "analysis/ScoreTrackDlg.h"
#include "analysis/SignificanceTestDlg.h"
#include "reports/AnalysisParamDlg.h"
#include "reports/BasicStatDlg.h"
#include "reports/ExcellentRateDlg.h"
#include "reports/PercentModeDlg.h"
#include "reports/ScorePrintDlg.h"
#include "reports/ScoreReportDlg.h"

#include <QFile>

int ModeOf(ui::Dialog& d, int* method) {
    if (auto* x = dynamic_cast<CPrepareScoreSheetDlg*>(&d))
        return x->GetMode();
    if (auto* x = dynamic_cast<CScoreEntryDlg*>(&d))
        return x->GetEntryMode();
    if (auto* x = dynamic_cast<CAnalysisParamDlg*>(&d))
        return x->GetParamMode();
    if (auto* x = dynamic_cast<CBasicStatDlg*>(&d))
        return x->GetStatMode();
    if (auto* x = dynamic_cast<CScoreReportDlg*>(&d))
        return x->GetReportMode();
    if (auto* x = dynamic_cast<CScorePrintDlg*>(&d))
        return x->GetPrintMode();
    if (auto* x = dynamic_cast<CScoreTrackDlg*>(&d))
        return x->GetMode();
    if (auto* x = dynamic_cast<CSignificanceTestDlg*>(&d))
        return x->GetMode();
    if (auto* x = dynamic_cast<CPercentModeDlg*>(&d))
        return x->GetMode();
    if (auto* x = dynamic_cast<CExcellentRateDlg*>(&d)) {
        if (method)
            *method = x->GetMethod();
        return x->GetMode();
    }
    return -1;
}

void ShellTest::SetUp() {
    ASSERT_TRUE(home.isValid());
    profile::UseMemoryStore();
    boxes = std::make_unique<ui::ScriptedMessageBoxes>();
    app = std::make_unique<CVeltoraApp>();
    data::SetAppDirectory(home.path() + u'/');
    ASSERT_TRUE(app->ProcessShellCommand());
    frame = app->GetMainWnd();
    view = frame->GetActiveView();
    ASSERT_NE(view, nullptr);
    ui::SetDialogRunner([this](ui::Dialog& d) {
        OpenedDialog o;
        o.className = QString::fromLatin1(d.metaObject()->className());
        o.templateId = d.TemplateId();
        o.mode = ModeOf(d, &o.method);
        opened.push_back(o);
        return answer ? answer(d) : ui::IDCANCEL;
    });
    ui::SetQtDialogRunner([this](QDialog& d) {
        qtDialogs << QString::fromLatin1(d.metaObject()->className());
        return 0;
    });
}

void ShellTest::TearDown() {
    ui::SetDialogRunner({});
    ui::SetQtDialogRunner({});
    app.reset();
    boxes.reset();
}

void ShellTest::WriteFile(const QString& name, const QByteArray& bytes) {
    QFile f(home.filePath(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}
