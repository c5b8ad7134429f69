// Times the exam-room arrangement of one grade of a school made for the run: the listing, the
// seating in the dialog (sorting, drawing, writing the grid), the seating as the pure function
// alone, storing the exam numbers in the roster, and the room lists of the grade rendered to PDF.
// The grade's size and the seats per room (odd and even rooms alike) are options, so that the cost
// can be followed as either grows. With --pictures it also leaves a picture of the dialog and the
// class lists in a directory, to be looked at.
//
// A run whose arrangement the dialog refuses (more rooms than exam numbers can name) prints no
// figure: it gives the dialog's message and exits with 1. Any other message box the dialog shows,
// other than the one that confirms the stored numbers, fails the run the same way.
//
//   roombench [--runs N] [--students N] [--seats N] [--pictures DIR]

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
#include <QLineEdit>
#include <QPixmap>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <optional>
#include <vector>

namespace {

// A grade holds at most 98 classes of 99 students.
constexpr int kMaxClasses = 98;
constexpr int kMaxClassSize = 99;
constexpr int kMaxStudents = kMaxClasses * kMaxClassSize;
constexpr int kUsualClassSize = 60;

struct Options {
    int runs = 5;
    int students = 1200;
    int seats = 30;
    QString pictures;
};

void Usage() {
    std::fprintf(stderr,
                 "usage: roombench [--runs N] [--students N] [--seats N] [--pictures DIR]\n"
                 "  --runs N       runs whose median is given, 1..1000 (5)\n"
                 "  --students N   active students of the grade, 1..%d (1200)\n"
                 "  --seats N      seats of every room, odd and even, %d..%d (30)\n"
                 "  --pictures DIR also leave the dialog's picture, class lists and desk labels there\n",
                 kMaxStudents, 1, examroom::kMaxCapacity);
}

// A whole number in low..high, or nothing.
std::optional<int> Number(const char* text, int low, int high) {
    bool ok = false;
    const int n = QString::fromLocal8Bit(text).toInt(&ok);
    if (!ok || n < low || n > high)
        return std::nullopt;
    return n;
}

// The options, or nothing (after the reason) when one is unknown, lacks its value or is out of range.
std::optional<Options> ParseOptions(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const QString name = QString::fromLocal8Bit(argv[i]);
        int* target = name == QLatin1String("--runs")       ? &o.runs
                      : name == QLatin1String("--students") ? &o.students
                      : name == QLatin1String("--seats")    ? &o.seats
                                                            : nullptr;
        if (!target && name != QLatin1String("--pictures")) {
            std::fprintf(stderr, "roombench: unknown option %s\n", argv[i]);
            return std::nullopt;
        }
        if (i + 1 >= argc || !*argv[i + 1]) {
            std::fprintf(stderr, "roombench: %s needs a value\n", argv[i]);
            return std::nullopt;
        }
        const char* value = argv[++i];
        if (!target) {
            o.pictures = QString::fromLocal8Bit(value);
            continue;
        }
        const int high = target == &o.runs       ? 1000
                         : target == &o.students ? kMaxStudents
                                                 : examroom::kMaxCapacity;
        const std::optional<int> n = Number(value, 1, high);
        if (!n) {
            std::fprintf(stderr, "roombench: %s must be a whole number from 1 to %d, not \"%s\"\n",
                         argv[i - 1], high, value);
            return std::nullopt;
        }
        *target = *n;
    }
    return o;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double Ms(const QElapsedTimer& t) {
    return t.nsecsElapsed() / 1e6;
}

// A one-grade school whose grade holds exactly `students` active students: classes of 60 while 98
// classes are enough, larger ones beyond; when the classes do not divide the grade evenly, the last
// classes have one student fewer.
fixtures::SchoolInfo MakeGrade(const QString& path, int students) {
    const int classes = std::min(kMaxClasses, (students + kUsualClassSize - 1) / kUsualClassSize);
    const int size = (students + classes - 1) / classes;
    fixtures::SchoolOptions o;
    o.grades = 1;
    o.classesPerGrade = classes;
    o.minStudents = o.maxStudents = size;
    o.subjects = 1;
    o.examsPerGrade = 0;
    o.includeEdgeCases = false;
    fixtures::SchoolInfo school = fixtures::MakeSchool(path, o);
    const int surplus = classes * size - students;
    if (surplus > 0) {
        db::Connection connection;
        connection.OpenFile(school.path, fixtures::DatabasePassword());
        const fixtures::GradeInfo& grade = school.grades[0];
        for (int cls = classes - surplus + 1; cls <= classes; ++cls)
            connection.Execute(QStringLiteral("DELETE FROM tavrinName WHERE studentid=?"),
                               QString::asprintf("%s%02d%02d", qPrintable(grade.code), cls, size));
        school.grades[0].students -= surplus;
        school.students -= surplus;
    }
    return school;
}

// Runs 打印输出 with `choice` into the PDF output in place; answers the milliseconds taken.
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

// Fails the run when the step showed a message box other than `expected` (none when empty).
bool OnlyExpected(ui::ScriptedMessageBoxes& boxes, const char* step, const QString& expected = {}) {
    QStringList texts = boxes.Texts();
    boxes.Clear();
    if (!expected.isEmpty() && texts.size() == 1 && texts[0] == expected)
        return true;
    if (expected.isEmpty() && texts.isEmpty())
        return true;
    std::fprintf(stderr, "failed: unexpected message while %s: %s\n", step,
                 texts.isEmpty() ? "none shown" : qPrintable(texts.join(u'|')));
    return false;
}

int Bench(const Options& o, const QTemporaryDir& dir) {
    QElapsedTimer t;
    t.start();
    const fixtures::SchoolInfo school = MakeGrade(dir.filePath(QStringLiteral("veltora.mdb")), o.students);
    const double made = Ms(t);
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
    for (const int id : {CExamRoomDlg::IDC_ODD_CAPACITY, CExamRoomDlg::IDC_EVEN_CAPACITY})
        dlg.GetDlgItem<QLineEdit>(id)->setText(QString::number(o.seats));
    if (!OnlyExpected(boxes, "opening the dialog"))
        return 1;

    std::vector<double> list, arrange, seat, save, rooms;
    int pages = 0;
    for (int run = 0; run < o.runs; ++run) {
        t.restart();
        dlg.OnListStudents();
        list.push_back(Ms(t));
        if (!OnlyExpected(boxes, "listing the students"))
            return 1;
        if (dlg.GetRowCount() - 1 != o.students) {
            std::fprintf(stderr, "failed: the dialog lists %d students, the grade holds %d\n",
                         dlg.GetRowCount() - 1, o.students);
            return 1;
        }

        t.restart();
        dlg.OnArrangeRooms();
        arrange.push_back(Ms(t));
        // Every message of 安排考场 is a refusal of the arrangement.
        if (const QStringList refusal = boxes.Texts(); !refusal.isEmpty()) {
            std::fprintf(stderr, "refused: %d students at %d seats per room: %s\n", o.students, o.seats,
                         qPrintable(refusal.join(u'|')));
            return 1;
        }

        ui::Srand(static_cast<unsigned>(run + 1));
        t.restart();
        std::vector<int> randoms(static_cast<std::size_t>(dlg.GetRowCount() - 1));
        for (int& r : randoms)
            r = ui::Rand();
        const std::vector<examroom::Seat> seats = examroom::ArrangeSeats(randoms, o.seats, o.seats);
        seat.push_back(Ms(t));

        t.restart();
        dlg.OnSaveNumbers();
        save.push_back(Ms(t));
        if (!OnlyExpected(boxes, "saving the exam numbers",
                          QStringLiteral("已保存%1名学生的考号。").arg(o.students)))
            return 1;

        rooms.push_back(PrintChoice(dlg, examroom::kRoomLists));
        pages = pdf.LastPageCount();
        if (!OnlyExpected(boxes, "printing the room lists"))
            return 1;
    }

    std::printf("school of one grade made in %.0f ms (%d students)\n", made, school.students);
    std::printf("grade %s: %d students, %d seats per room (%d rooms), %d runs (median ms)\n",
                qPrintable(grade.code), o.students, o.seats,
                examroom::RoomCount(o.students, o.seats, o.seats), o.runs);
    std::printf("  listing (excluded from the seating goal)   %8.2f\n", Median(list));
    std::printf("  seating in the dialog (sort, draw, write)  %8.2f   goal < 100\n", Median(arrange));
    std::printf("  seating as the pure function               %8.2f\n", Median(seat));
    std::printf("  saving the exam numbers (one transaction)  %8.2f\n", Median(save));
    std::printf("  room lists to PDF (%d pages)               %8.2f   goal < 1000\n", pages, Median(rooms));

    if (!o.pictures.isEmpty()) {
        QDir().mkpath(o.pictures);
        dlg.GetDlgItem<QComboBox>(CExamRoomDlg::IDC_GRADE)->setCurrentIndex(0);
        QApplication::processEvents();
        dlg.grab().save(QDir(o.pictures).filePath(QStringLiteral("examroom-dialog.png")));
        report::PdfOutput classes(QDir(o.pictures).filePath(QStringLiteral("class-lists.pdf")));
        PrintChoice(dlg, examroom::kClassLists);
        report::PdfOutput labels(QDir(o.pictures).filePath(QStringLiteral("desk-labels.pdf")));
        PrintChoice(dlg, examroom::kDeskLabels);
        std::printf("pictures in %s\n", qPrintable(o.pictures));
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::optional<Options> options = ParseOptions(argc, argv);
    if (!options) {
        Usage();
        return 2;
    }
    QTemporaryDir dir;
    int rc = 1;
    try {
        rc = Bench(*options, dir);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "failed: %s\n", e.what());
    }
    data::ResetAppContext();
    return rc;
}
