// Times the score entry dialog on the large sample school: listing one class of an exam, and
// committing one paper mark through the grid's end-of-edit path.
//
//   scorebench [school.mdb] [runs] [--exam N] [--class N] [--grab picture.png]
// --exam picks the exam by its place in the list; --class 0 lists the whole grade.
// Without a school file a large one is made in a temporary folder first (this takes a while).

#include "admin/ScoreEntryDlg.h"
#include "data/AppContext.h"
#include "data/TextCipher.h"
#include "fixtures/SchoolFixture.h"
#include "platform/ui/MessageBox.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QSpinBox>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    QString path;
    QString grab;
    int runs = 20;
    int cls = 1;
    int exam = 0;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg == QLatin1String("--grab") && i + 1 < argc)
            grab = QString::fromLocal8Bit(argv[++i]);
        else if (arg == QLatin1String("--exam") && i + 1 < argc)
            exam = std::max(0, QString::fromLocal8Bit(argv[++i]).toInt());
        else if (arg == QLatin1String("--class") && i + 1 < argc)
            cls = std::max(0, QString::fromLocal8Bit(argv[++i]).toInt());
        else if (arg.endsWith(QLatin1String(".mdb")))
            path = arg;
        else
            runs = std::max(1, arg.toInt());
    }

    QTemporaryDir dir;
    fixtures::SchoolInfo school;
    QElapsedTimer timer;
    if (path.isEmpty() || !QFile::exists(path)) {
        if (path.isEmpty())
            path = dir.filePath(QStringLiteral("veltora.mdb"));
        timer.start();
        school = fixtures::MakeSchool(path, fixtures::LargeSchool());
        std::printf("made %s: %d score rows in %.1f s\n", qPrintable(path), school.scoreRows,
                    timer.elapsed() / 1000.0);
    }

    ui::ScriptedMessageBoxes boxes;
    auto connection = std::make_unique<db::Connection>();
    connection->OpenFile(path, fixtures::DatabasePassword());
    data::SetDatabase(std::move(connection));

    CScoreEntryDlg dlg;
    dlg.SetEntryMode(0);
    dlg.OnInitDialog();
    dlg.show();
    QApplication::processEvents();
    auto* exams = dlg.GetDlgItem<QComboBox>(CScoreEntryDlg::IDC_EXAM);
    auto* subjects = dlg.GetDlgItem<QComboBox>(CScoreEntryDlg::IDC_SUBJECT);
    exams->setCurrentIndex(std::min(exam, exams->count() - 1));
    subjects->setCurrentIndex(std::min(2, subjects->count() - 1));
    dlg.GetDlgItem<QSpinBox>(CScoreEntryDlg::IDC_NUMBER)->setValue(cls);

    std::vector<double> list, commit;
    CGridCtrl& grid = dlg.GetGrid();
    for (int run = 0; run < runs; ++run) {
        timer.start();
        const int loaded = dlg.OnLoadScores();
        list.push_back(timer.nsecsElapsed() / 1e6);
        if (!loaded || grid.GetRowCount() < 2) {
            std::printf("load failed: %s\n", qPrintable(boxes.Texts().join(u' ')));
            return 1;
        }
        const int col = grid.GetColumnCount() - 2;
        if (!grid.IsCellEditable(1, col)) {
            std::printf("the exam is locked: choose another\n");
            return 1;
        }
        const QString text = QString::number(50 + run % 40);
        timer.start();
        grid.SendMessageToParent(1, col, GVN_BEGINLABELEDIT);
        grid.OnEndEditCell(1, col, text);
        commit.push_back(timer.nsecsElapsed() / 1e6);
    }
    const QString written = data::Database()
                                .Execute(QStringLiteral("SELECT %1 FROM tavrinKSK WHERE id=? AND studentid=?")
                                             .arg(dlg.GetSubjectField() + u'1'),
                                         dlg.GetExamId().toInt(), grid.GetItemText(1, 0))
                                .Field(0)
                                .ToString();
    std::printf("last mark written: %s (grid shows %s)\n", qPrintable(written),
                qPrintable(grid.GetItemText(1, grid.GetColumnCount() - 2)));
    std::printf("exam \"%s\", subject \"%s\", class %d: %d rows\n", qPrintable(exams->currentText()),
                qPrintable(subjects->currentText()), cls, grid.GetRowCount() - 1);
    std::printf("list:   median %.2f ms, max %.2f ms (%d runs)\n", Median(list),
                *std::max_element(list.begin(), list.end()), runs);
    std::printf("commit: median %.3f ms, max %.3f ms\n", Median(commit),
                *std::max_element(commit.begin(), commit.end()));
    if (!boxes.Texts().isEmpty())
        std::printf("messages: %s\n", qPrintable(boxes.Texts().join(u' ')));

    if (!grab.isEmpty()) {
        dlg.grab().save(grab);
        std::printf("picture: %s\n", qPrintable(grab));
    }
    return 0;
}
