// Times the exam-room arrangement of one grade of the large sample school (1,200 students):
// the listing, the seating in the dialog (sorting, drawing, writing the grid), the seating as the
// pure function alone, storing the exam numbers in the roster, and the room lists of the grade
// rendered to PDF. With a directory as second argument it also leaves a picture of the dialog
// and the class lists there, to be looked at.
//
//   roombench [runs] [picture-directory]

#include "admin/ExamRoom.h"
#include "admin/ExamRoomDlg.h"
#include "admin/RoomOutputDlg.h"
#include "data/AppContext.h"
#include "fixtures/SchoolFixture.h"
#include "platform/report/Output.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/Random.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QPixmap>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double Ms(const QElapsedTimer& t) {
    return t.nsecsElapsed() / 1e6;
}

// Runs 打印输出 with `choice` into `pdf`; answers the milliseconds taken.
double PrintChoice(CExamRoomDlg& dlg, int choice) {
    ui::SetDialogRunner([choice](ui::Dialog& d) {
        d.OnInitDialog();
        auto* outputs = qobject_cast<CRoomOutputDlg*>(&d);
        outputs->m_nChoice = choice;
        const int ids[] = {CRoomOutputDlg::IDC_CLASS_LISTS, CRoomOutputDlg::IDC_ROOM_LISTS,
                           CRoomOutputDlg::IDC_DESK_LABELS};
        d.GetDlgItem<QAbstractButton>(ids[choice])->setChecked(true);
        d.OnOK();
        return d.result();
    });
    QElapsedTimer t;
    t.start();
    dlg.OnPrint();
    const double ms = Ms(t);
    ui::SetDialogRunner({});
    return ms;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    const QString pictures = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();

    QTemporaryDir dir;
    QElapsedTimer t;
    t.start();
    const fixtures::SchoolInfo school =
        fixtures::MakeSchool(dir.filePath(QStringLiteral("veltora.mdb")), fixtures::LargeSchool());
    std::printf("large school made in %.0f ms (%d students)\n", Ms(t), school.students);
    auto connection = std::make_unique<db::Connection>();
    connection->OpenFile(school.path, fixtures::DatabasePassword());
    data::SetDatabase(std::move(connection));
    data::SetAppDirectory(dir.path() + u'/');
    ui::ScriptedMessageBoxes boxes;
    report::PdfOutput pdf(dir.filePath(QStringLiteral("rooms.pdf")));

    const fixtures::GradeInfo& grade = school.grades[0];
    CExamRoomDlg dlg;
    dlg.OnInitDialog();
    dlg.show();
    QApplication::processEvents();
    auto* box = dlg.GetDlgItem<QComboBox>(CExamRoomDlg::IDC_GRADE);
    box->setCurrentIndex(box->findText(grade.name));

    std::vector<double> list, arrange, seat, save, rooms;
    int pages = 0;
    for (int run = 0; run < runs; ++run) {
        t.restart();
        dlg.OnListStudents();
        list.push_back(Ms(t));

        t.restart();
        dlg.OnArrangeRooms();
        arrange.push_back(Ms(t));

        ui::Srand(static_cast<unsigned>(run + 1));
        t.restart();
        std::vector<int> randoms(static_cast<std::size_t>(dlg.GetRowCount() - 1));
        for (int& r : randoms)
            r = ui::Rand();
        const std::vector<examroom::Seat> seats = examroom::ArrangeSeats(randoms, 30, 30);
        seat.push_back(Ms(t));

        t.restart();
        dlg.OnSaveNumbers();
        save.push_back(Ms(t));

        rooms.push_back(PrintChoice(dlg, examroom::kRoomLists));
        pages = pdf.LastPageCount();
    }
    const QStringList texts = boxes.Texts();
    if (texts.size() != runs || texts.contains(QStringLiteral("对不起，存盘时发生错误！")))
        std::printf("unexpected messages: %s\n", qPrintable(texts.join(u'|')));

    std::printf("grade %s: %d students, %d runs (median ms)\n", qPrintable(grade.code), dlg.GetRowCount() - 1,
                runs);
    std::printf("  listing (excluded from the seating goal)   %8.2f\n", Median(list));
    std::printf("  seating in the dialog (sort, draw, write)  %8.2f   goal < 100\n", Median(arrange));
    std::printf("  seating as the pure function               %8.2f\n", Median(seat));
    std::printf("  saving the exam numbers (one transaction)  %8.2f\n", Median(save));
    std::printf("  room lists to PDF (%d pages)               %8.2f   goal < 1000\n", pages, Median(rooms));

    if (!pictures.isEmpty()) {
        QDir().mkpath(pictures);
        dlg.GetDlgItem<QComboBox>(CExamRoomDlg::IDC_GRADE)->setCurrentIndex(0);
        QApplication::processEvents();
        dlg.grab().save(QDir(pictures).filePath(QStringLiteral("examroom-dialog.png")));
        report::PdfOutput classes(QDir(pictures).filePath(QStringLiteral("class-lists.pdf")));
        PrintChoice(dlg, examroom::kClassLists);
        report::PdfOutput labels(QDir(pictures).filePath(QStringLiteral("desk-labels.pdf")));
        PrintChoice(dlg, examroom::kDeskLabels);
        std::printf("pictures in %s\n", qPrintable(pictures));
    }
    data::ResetAppContext();
    return 0;
}
