// Score entry: listing by class, grade and room, marks checked, coloured, totalled and written at
// once, locked exams, and loads that stop early leaving nothing for an edit to reach.
#include "AdminBSupport.h"

#include "admin/ExamSetup.h"
#include "admin/ScoreEntryDlg.h"
#include "admin/ScoreSheet.h"
#include "data/NumberFormat.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QSpinBox>
#include <QTest>

namespace adminb {
namespace {

constexpr gdi::COLORREF kRed = 0x0000FF;
constexpr gdi::COLORREF kBlue = 0xFF0000;

class ScoreEntry : public AdminBTest {
protected:
    void SetUp() override {
        AdminBTest::SetUp();
        senior = &school.exams[0]; // grade 12008, yjcd NULL
        for (const fixtures::ExamInfo& e : school.exams)
            if (!e.grade.startsWith(u'1') && e.yjcd.isEmpty())
                junior = &e;
        ASSERT_NE(junior, nullptr);
        // 英语 (s03): paper I out of 100, paper II out of 50, weights 1 and 0.5.
        Db().Execute("UPDATE tavrinKMWGT SET t1=100, t2=50, t1w=1, t2w=0.5 WHERE kmfld='s03'");
    }
    void OpenDialog(int mode = 0) {
        dlg = std::make_unique<CScoreEntryDlg>();
        dlg->SetEntryMode(mode);
        Open(*dlg);
    }
    CGridCtrl& Grid() { return dlg->GetGrid(); }
    // Chooses exam, subject and class (or room) and presses 确定; returns what the load returned.
    int Load(const QString& exam, const QString& subject, int number) {
        auto* exams = dlg->GetDlgItem<QComboBox>(CScoreEntryDlg::IDC_EXAM);
        if (!Choose(exams, exam))
            exams->setEditText(exam);
        auto* subjects = dlg->GetDlgItem<QComboBox>(CScoreEntryDlg::IDC_SUBJECT);
        if (!Choose(subjects, subject))
            subjects->setEditText(subject);
        dlg->GetDlgItem<QSpinBox>(CScoreEntryDlg::IDC_NUMBER)->setValue(number);
        return dlg->OnLoadScores();
    }
    int LoadEnglish(const fixtures::ExamInfo& exam, int cls) { return Load(EntryOf(exam), "英语", cls); }
    QStringList Ids(const QString& where, const std::vector<db::Variant>& params) {
        QStringList ids;
        for (db::Recordset rs = Db().Execute("SELECT studentid FROM tavrinKSK WHERE " + where, params);
             !rs.IsEOF(); rs.MoveNext())
            ids << rs.Field(0).ToString();
        return ids;
    }
    QString Stored(int exam, const QString& student) {
        return Scalar("SELECT quote(s031) || ' ' || quote(s032) || ' ' || quote(s03) FROM tavrinKSK "
                      "WHERE id=? AND studentid=?",
                      {exam, student});
    }

    const fixtures::ExamInfo* senior = nullptr;
    const fixtures::ExamInfo* junior = nullptr;
    std::unique_ptr<CScoreEntryDlg> dlg;
};

TEST_F(ScoreEntry, ListsByClassGradeAndRoomWithTheGradesColumns) {
    OpenDialog();
    EXPECT_EQ(GridRow(Grid(), 0), QStringList({"学号", "姓名", "班级", "编号"}));

    const int cls = GradeOf(*junior).classes[0];
    ASSERT_EQ(LoadEnglish(*junior, cls), 1);
    EXPECT_EQ(GridRow(Grid(), 0), QStringList({"学号", "姓名", "班级", "编号", "英语", "I卷", "II卷"}));
    EXPECT_EQ(GridColumn(Grid(), 0), Ids("id=? AND class=? ORDER BY studentid", {junior->id, cls}));
    EXPECT_EQ(Grid().GetItemText(1, 2), QString::asprintf("%2d", cls));
    const QString sid = Grid().GetItemText(1, 0);
    const double p1 =
        Scalar("SELECT s031 FROM tavrinKSK WHERE id=? AND studentid=?", {junior->id, sid}).toDouble();
    EXPECT_EQ(Grid().GetItemText(1, 5), QString::asprintf("%6.2f", p1));
    EXPECT_EQ(Grid().GetItemFgColour(1, 5), p1 < 60 ? kRed : kBlue);
    EXPECT_TRUE(Grid().GetItemState(1, 4) & GCS_READONLY);
    EXPECT_FALSE(Grid().GetItemState(1, 5) & GCS_READONLY);
    // Bands: rows 6-10 grey, 1-5 not, column 0 never.
    if (Grid().GetRowCount() > 6) {
        EXPECT_EQ(Grid().GetItemBkColour(6, 1), 0xE7E7E7u);
        EXPECT_NE(Grid().GetItemBkColour(5, 1), 0xE7E7E7u);
        EXPECT_NE(Grid().GetItemBkColour(6, 0), 0xE7E7E7u);
    }

    // Class 0: the whole exam; a senior grade has the stream column.
    ASSERT_EQ(LoadEnglish(*senior, 0), 1);
    EXPECT_EQ(GridRow(Grid(), 0),
              QStringList({"学号", "姓名", "班级", "编号", "文理科", "英语", "I卷", "II卷"}));
    EXPECT_EQ(GridColumn(Grid(), 0), Ids("id=? ORDER BY studentid", {senior->id}));

    // By room: exam numbers beginning with the room, arts and science apart; room 0 is room 01.
    Db().Execute("UPDATE tavrinKSK SET kh='03' || substr(kh, 3) WHERE id=? AND class=?",
                 {senior->id, GradeOf(*senior).classes[0]});
    OpenDialog(1);
    EXPECT_EQ(dlg->GetDlgItem<QWidget>(CScoreEntryDlg::IDC_NUMBER_LABEL)->property("text").toString(),
              "考室");
    EXPECT_TRUE(dlg->GetDlgItem<QWidget>(CScoreEntryDlg::IDC_IMPORT)->isHidden());
    ASSERT_EQ(LoadEnglish(*senior, 3), 1);
    EXPECT_EQ(GridColumn(Grid(), 0), Ids("id=? AND kh LIKE '03%' ORDER BY worl, kh", {senior->id}));
    EXPECT_EQ(Grid().GetItemText(0, 3), "考号");
    EXPECT_TRUE(Grid().GetItemText(1, 3).startsWith("03"));
    ASSERT_EQ(LoadEnglish(*senior, 0), 1);
    EXPECT_EQ(GridColumn(Grid(), 0), Ids("id=? AND kh LIKE '01%' ORDER BY worl, kh", {senior->id}));
}

TEST_F(ScoreEntry, EveryColumnOfAWholeSeniorGradeIsInView) {
    OpenDialog();
    // A fresh subject: every mark column empty, as when entry begins.
    Db().Execute("UPDATE tavrinKSK SET s031=NULL, s032=NULL, s03=NULL WHERE id=?", {senior->id});
    ASSERT_EQ(LoadEnglish(*senior, 0), 1);
    ASSERT_EQ(Grid().GetColumnCount(), 8);
    ASSERT_EQ(dlg->width(), 680);
    gdi::Rect client;
    Grid().GetClientRect(&client);
    int right = 0;
    for (int c = 0; c < Grid().GetColumnCount(); ++c)
        right += Grid().GetColumnWidth(c);
    EXPECT_LE(right, client.Width());
    gdi::Rect last;
    ASSERT_TRUE(Grid().GetCellRect(0, Grid().GetColumnCount() - 1, &last));
    EXPECT_LE(last.right, client.right);
    EXPECT_EQ(Grid().GetFixedColumnCount(), 1); // 学号 stays in view if it ever scrolls
    // Numbers line up by their right edge, in empty mark columns too; names do not.
    const auto rightAligned = [&](int r, int c) {
        return (Grid().GetItemFormat(r, c) & (gdi::DT_CENTER | gdi::DT_RIGHT)) == gdi::DT_RIGHT;
    };
    for (int c : {0, 2, 3, 5, 6, 7}) {
        EXPECT_TRUE(rightAligned(1, c)) << c;
        EXPECT_TRUE(rightAligned(Grid().GetRowCount() - 1, c)) << c;
    }
    EXPECT_FALSE(rightAligned(1, 1));
    EXPECT_FALSE(rightAligned(1, 4));

    // A committed mark widens its own column when it needs to, and only that one.
    const int paper1 = Grid().GetColumnCount() - 2;
    std::vector<int> before;
    for (int c = 0; c < Grid().GetColumnCount(); ++c)
        before.push_back(Grid().GetColumnWidth(c));
    Grid().SendMessageToParent(1, paper1, GVN_BEGINLABELEDIT);
    Grid().OnEndEditCell(1, paper1, QStringLiteral("88.5"));
    ASSERT_EQ(Grid().GetItemText(1, paper1), scoresheet::MarkText(88.5));
    for (int c = 0; c < Grid().GetColumnCount(); ++c) {
        const int text = Grid().GetTextExtent(1, c, Grid().GetItemText(1, c)).cx;
        EXPECT_GE(Grid().GetColumnWidth(c), Grid().GetItemText(1, c).isEmpty() ? 0 : text) << c;
        if (c != paper1 && c != paper1 - 1) {
            EXPECT_EQ(Grid().GetColumnWidth(c), before[c]) << c;
        }
    }
}

TEST_F(ScoreEntry, MarksAreCheckedColouredTotalledAndWritten) {
    OpenDialog();
    ASSERT_EQ(LoadEnglish(*junior, GradeOf(*junior).classes[0]), 1);
    const QString sid = Grid().GetItemText(1, 0);
    ASSERT_TRUE(EditCell(Grid(), 1, 6, "40"));
    EXPECT_EQ(Grid().GetItemText(1, 6), " 40.00");

    TypeIntoCell(Grid(), 1, 5, "85.5");
    EXPECT_EQ(Grid().GetItemText(1, 5), " 85.50");
    EXPECT_EQ(Grid().GetItemText(1, 4), "105.50");
    EXPECT_EQ(Stored(junior->id, sid), "85.5 40.0 105.5");

    ASSERT_TRUE(EditCell(Grid(), 1, 5, "59.99"));
    EXPECT_EQ(Grid().GetItemFgColour(1, 5), kRed);
    ASSERT_TRUE(EditCell(Grid(), 1, 5, "60"));
    EXPECT_EQ(Grid().GetItemFgColour(1, 5), kBlue);
    ASSERT_TRUE(EditCell(Grid(), 1, 5, "100"));
    EXPECT_EQ(Stored(junior->id, sid), "100.0 40.0 120.0");

    // Over the full mark: the old text stays, nothing is written.
    boxes->Clear();
    ASSERT_TRUE(EditCell(Grid(), 1, 5, "100.5"));
    EXPECT_EQ(Grid().GetItemText(1, 5), "100.00");
    EXPECT_EQ(BoxTexts(), QStringList({"对不起，您输入的数据越界！\n本卷满分为100分。"}));
    // The other paper is taken as stored, not as the grid shows it.
    Grid().SetItemText(1, 6, " 51.00");
    ASSERT_TRUE(EditCell(Grid(), 1, 5, "100"));
    EXPECT_EQ(Grid().GetItemText(1, 6), " 40.00");
    EXPECT_EQ(Grid().GetItemText(1, 4), "120.00");
    EXPECT_EQ(Stored(junior->id, sid), "100.0 40.0 120.0");

    // Clearing one paper, then both.
    ASSERT_TRUE(EditCell(Grid(), 1, 5, "  "));
    EXPECT_EQ(Stored(junior->id, sid), "NULL 40.0 20.0");
    EXPECT_EQ(Grid().GetItemText(1, 4), " 20.00");
    ASSERT_TRUE(EditCell(Grid(), 1, 6, ""));
    EXPECT_EQ(Stored(junior->id, sid), "NULL NULL NULL");
    EXPECT_EQ(Grid().GetItemText(1, 4), "");

    // Typed texts: a decimal number with at most two decimals, full-width digits read as plain.
    const std::pair<const char*, const char*> marks[] = {
        {"85", " 85.00"}, {" 12.5 ", " 12.50"}, {".5", "  0.50"}, {"0.25", "  0.25"}, {"８５．５", " 85.50"}};
    for (const auto& [typed, shown] : marks) {
        ASSERT_TRUE(EditCell(Grid(), 1, 5, QString::fromUtf8(typed)));
        EXPECT_EQ(Grid().GetItemText(1, 5), shown) << typed;
        EXPECT_EQ(
            Scalar("SELECT s031 FROM tavrinKSK WHERE id=? AND studentid=?", {junior->id, sid}).toDouble(),
            QString(shown).toDouble())
            << typed;
    }
    ASSERT_TRUE(EditCell(Grid(), 1, 6, "40"));
    // Anything else is refused with the range, and neither the grid nor the database changes: a
    // slip is never stored as some number.
    for (const char* typed :
         {"9a", "-5", "1.2.3", "abc", "7' or '1'='1", "12.345", " 85.5088", "1e2", "+5"}) {
        boxes->Clear();
        ASSERT_TRUE(EditCell(Grid(), 1, 5, typed));
        EXPECT_EQ(Grid().GetItemText(1, 5), " 85.50") << typed;
        EXPECT_EQ(Grid().GetItemText(1, 4), "105.50") << typed;
        EXPECT_EQ(Stored(junior->id, sid), "85.5 40.0 105.5") << typed;
        EXPECT_EQ(BoxTexts(), QStringList({"对不起，成绩必须是0到100之间的数，最多两位小数！"})) << typed;
    }
    EXPECT_EQ(Count("SELECT count(*) FROM tavrinKSK"), school.scoreRows);
}

TEST_F(ScoreEntry, HalfCentTotalsAreStoredAndShownAsTheReportsShowThem) {
    // Weights 0.5 and 0.5 make totals that end in an exact half cent (85.25 · 0.5 = 42.625): the
    // grid, the stored total and a report's text all round it the one way, as printf does.
    Db().Execute("UPDATE tavrinKMWGT SET t1=200, t2=100, t1w=0.5, t2w=0.5 WHERE kmfld='s03'");
    OpenDialog();
    ASSERT_EQ(LoadEnglish(*junior, GradeOf(*junior).classes[0]), 1);
    const QString sid = Grid().GetItemText(1, 0);
    ASSERT_TRUE(EditCell(Grid(), 1, 6, ""));
    const struct {
        const char* p1;
        const char* p2;
        const char* stored;
        const char* shown;
    } cases[] = {
        {"85.25", "", "85.25 NULL 42.62", " 42.62"},
        {"194.25", "", "194.25 NULL 97.12", " 97.12"},
        {"150.01", "66", "150.01 66.0 108.0", "108.00"}, // 108.005 in single precision lies below
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(EditCell(Grid(), 1, 6, c.p2));
        ASSERT_TRUE(EditCell(Grid(), 1, 5, c.p1));
        EXPECT_EQ(Stored(junior->id, sid), c.stored) << c.p1;
        EXPECT_EQ(Grid().GetItemText(1, 4), c.shown) << c.p1;
        const double total =
            Scalar("SELECT s03 FROM tavrinKSK WHERE id=? AND studentid=?", {junior->id, sid}).toDouble();
        EXPECT_EQ(data::Format62(total), c.shown) << c.p1;
    }
    // Loaded again, the grid shows the stored total as it showed it when typed.
    ASSERT_EQ(LoadEnglish(*junior, GradeOf(*junior).classes[0]), 1);
    EXPECT_EQ(Grid().GetItemText(FindRow(Grid(), 0, sid), 4), "108.00");
    EXPECT_EQ(scoresheet::MarkText(97.125), " 97.12");
    EXPECT_EQ(scoresheet::MarkText(42.625), " 42.62");
}

TEST_F(ScoreEntry, ClassEditsAreNumbersOnly) {
    OpenDialog();
    const int cls = GradeOf(*junior).classes[0];
    ASSERT_EQ(LoadEnglish(*junior, cls), 1);
    const QString sid = Grid().GetItemText(1, 0);
    const QString old = Grid().GetItemText(1, 2);
    for (const char* bad : {"id", "class+1", "100", "-1", "3;drop"}) {
        boxes->Clear();
        ASSERT_TRUE(EditCell(Grid(), 1, 2, bad));
        EXPECT_EQ(Grid().GetItemText(1, 2), old) << bad;
        EXPECT_EQ(BoxTexts(), QStringList({"对不起，数据更新失败！"})) << bad;
    }
    EXPECT_EQ(Count("SELECT class FROM tavrinKSK WHERE id=? AND studentid=?", {junior->id, sid}), cls);
    ASSERT_TRUE(EditCell(Grid(), 1, 2, "9"));
    EXPECT_EQ(Count("SELECT class FROM tavrinKSK WHERE id=? AND studentid=?", {junior->id, sid}), 9);
    EXPECT_EQ(Count("SELECT count(*) FROM tavrinKSK WHERE studentid=? AND class=9", {sid}), 1);

    // A failing UPDATE puts the old texts back, the total included.
    FailOn("UPDATE", "tavrinKSK");
    const QString oldMark = Grid().GetItemText(1, 5);
    const QString oldTotal = Grid().GetItemText(1, 4);
    boxes->Clear();
    ASSERT_TRUE(EditCell(Grid(), 1, 5, "1"));
    EXPECT_EQ(Grid().GetItemText(1, 5), oldMark);
    EXPECT_EQ(Grid().GetItemText(1, 4), oldTotal);
    EXPECT_EQ(BoxTexts(), QStringList({"对不起，数据更新失败！成绩没有保存。\n原因：refused"}));
}

TEST_F(ScoreEntry, AFullDiskOrAReadOnlyFileIsToldByItsReason) {
    OpenDialog();
    ASSERT_EQ(LoadEnglish(*junior, GradeOf(*junior).classes[0]), 1);
    const QString sid = Grid().GetItemText(1, 0);
    const QString stored = Stored(junior->id, sid);
    for (const WriteFailure failure : kWriteFailures) {
        boxes->Clear();
        FailWrites(failure, "UPDATE", "tavrinKSK");
        const QString old = Grid().GetItemText(1, 5);
        ASSERT_TRUE(EditCell(Grid(), 1, 5, "1"));
        EXPECT_EQ(BoxTexts(), QStringList{"对不起，数据更新失败！成绩没有保存。\n" + ReasonOf(failure)});
        EXPECT_EQ(Grid().GetItemText(1, 5), old);
        EndWriteFailure();
        EXPECT_EQ(Stored(junior->id, sid), stored);
    }
}

TEST_F(ScoreEntry, LockedExamsAreReadOnly) {
    const fixtures::ExamInfo* locked = nullptr;
    const fixtures::ExamInfo* unlocked = nullptr;
    for (const fixtures::ExamInfo& e : school.exams) {
        if (e.id == school.edges.lockedExam)
            locked = &e;
        if (e.id == school.edges.unlockedExam)
            unlocked = &e;
    }
    ASSERT_TRUE(locked && unlocked);
    OpenDialog();
    ASSERT_EQ(LoadEnglish(*locked, 0), 1);
    EXPECT_FALSE(EditCell(Grid(), 1, Grid().GetColumnCount() - 2, "1"));
    ASSERT_EQ(LoadEnglish(*unlocked, 0), 1);
    EXPECT_TRUE(EditCell(Grid(), 1, Grid().GetColumnCount() - 2, "1"));
    // NULL after a locked exam is editable again.
    ASSERT_EQ(LoadEnglish(*locked, 0), 1);
    ASSERT_EQ(LoadEnglish(*junior, 0), 1);
    EXPECT_TRUE(EditCell(Grid(), 1, 5, "1"));
}

TEST_F(ScoreEntry, EarlyStopsLeaveNothingToEdit) {
    OpenDialog();
    ASSERT_EQ(LoadEnglish(*junior, 0), 1);
    const auto refused = [&](int loaded) {
        EXPECT_EQ(loaded, 0);
        EXPECT_EQ(Grid().GetRowCount(), 1);
        EXPECT_TRUE(dlg->GetExamId().isEmpty());
        EXPECT_TRUE(dlg->GetSubjectField().isEmpty());
    };
    boxes->Clear();
    refused(Load(GradeOf(*junior).name + "|没有这次考试", "英语", 0));
    refused(Load("", "英语", 0));
    refused(Load(EntryOf(*junior), "没有的科目", 0));
    EXPECT_EQ(BoxTexts(), QStringList(3, "注意：以上各项必须在列表中选择！"));
    EXPECT_EQ(boxes->Boxes()[0].type, ui::MB_ICONERROR);

    ASSERT_EQ(LoadEnglish(*junior, 0), 1);
    Db().Execute("DELETE FROM tavrinKMWGT WHERE id=? AND kmfld='s03'", {senior->id});
    boxes->Clear();
    refused(LoadEnglish(*senior, 0));
    EXPECT_TRUE(BoxTexts().value(0).startsWith("请先设置本次考试各科总分的加权系数！"));
}

TEST_F(ScoreEntry, EnterCommitsAndMovesDownWithoutClosing) {
    OpenDialog();
    ASSERT_EQ(LoadEnglish(*junior, GradeOf(*junior).classes[0]), 1);
    const QString sid = Grid().GetItemText(1, 0);
    TypeIntoCell(Grid(), 1, 5, "77");
    EXPECT_TRUE(Stored(junior->id, sid).startsWith("77.0 "));
    EXPECT_EQ(Grid().GetFocusCell().row, 2);
    QTest::keyClick(&Grid(), Qt::Key_Return);
    QTest::keyClick(dlg.get(), Qt::Key_Escape);
    QTest::keyClick(dlg.get(), Qt::Key_Return);
    EXPECT_TRUE(dlg->isVisible());
}

TEST_F(ScoreEntry, EscInAnyControlKeepsTheDialogOpenAndTheCloseBoxCloses) {
    OpenDialog();
    ASSERT_EQ(LoadEnglish(*junior, GradeOf(*junior).classes[0]), 1);
    for (int id : {int(CScoreEntryDlg::IDC_EXAM), int(CScoreEntryDlg::IDC_NUMBER),
                   int(CScoreEntryDlg::IDC_SUBJECT), int(admin::IDC_GRID)}) {
        dlg->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dlg.get()));
        dlg->GetDlgItem(id)->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QApplication::processEvents();
        EXPECT_TRUE(dlg->isVisible()) << id;
    }
    dlg->close();
    EXPECT_FALSE(dlg->isVisible());
}

TEST_F(ScoreEntry, ARefusedMarkKeepsItsTextColourAndFocus) {
    OpenDialog();
    ASSERT_EQ(LoadEnglish(*junior, GradeOf(*junior).classes[0]), 1);
    const QString sid = Grid().GetItemText(1, 0);
    ASSERT_TRUE(EditCell(Grid(), 1, 6, "40"));
    TypeIntoCell(Grid(), 1, 5, "45");
    ASSERT_EQ(Grid().GetItemFgColour(1, 5), kRed);
    Grid().SetFocusCell(1, 5);

    const auto expectUnchanged = [&](const char* typed) {
        EXPECT_EQ(Grid().GetItemText(1, 5), " 45.00") << typed;
        EXPECT_EQ(Grid().GetItemFgColour(1, 5), kRed) << typed;
        EXPECT_EQ(Grid().GetItemText(1, 4), " 65.00") << typed;
        EXPECT_EQ(Stored(junior->id, sid), "45.0 40.0 65.0") << typed;
        // Enter did not move on: the mark can be typed again at once.
        EXPECT_EQ(Grid().GetFocusCell().row, 1) << typed;
        EXPECT_EQ(Grid().GetFocusCell().col, 5) << typed;
    };
    boxes->Clear();
    TypeIntoCell(Grid(), 1, 5, "abc");
    expectUnchanged("abc");
    TypeIntoCell(Grid(), 1, 5, "150");
    expectUnchanged("150");
    // Clicking into the mark and typing after it.
    Grid().SetFocusCell(1, 5);
    QTest::keyClick(&Grid(), Qt::Key_F2);
    QWidget* editor = QApplication::focusWidget();
    ASSERT_NE(editor, &Grid());
    QTest::keyClick(editor, Qt::Key_End);
    QTest::keyClicks(editor, "88");
    QTest::keyClick(editor, Qt::Key_Return);
    expectUnchanged(" 45.0088");
    EXPECT_EQ(BoxTexts(), QStringList({"对不起，成绩必须是0到100之间的数，最多两位小数！",
                                       "对不起，您输入的数据越界！\n本卷满分为100分。",
                                       "对不起，成绩必须是0到100之间的数，最多两位小数！"}));
    EXPECT_EQ(boxes->Boxes()[0].caption, "信息提示");

    // Accepted, Enter moves on as before.
    TypeIntoCell(Grid(), 1, 5, "90");
    EXPECT_EQ(Stored(junior->id, sid), "90.0 40.0 110.0");
    EXPECT_EQ(Grid().GetFocusCell().row, 2);

    // A refused class shows the old class again and stays there too.
    const QString cls = Grid().GetItemText(1, 2);
    boxes->Clear();
    TypeIntoCell(Grid(), 1, 2, "abc");
    EXPECT_EQ(Grid().GetItemText(1, 2), cls);
    EXPECT_EQ(Grid().GetFocusCell().row, 1);
    EXPECT_EQ(BoxTexts(), QStringList({"对不起，数据更新失败！"}));
}

TEST_F(ScoreEntry, MarksGoToTheRowTheyWereTypedInto) {
    // An older database: two score rows with one student number, and one without a number.
    const int cls = GradeOf(*junior).classes[0];
    const QString twin = Scalar("SELECT studentid FROM tavrinKSK WHERE id=? AND class=? ORDER BY studentid",
                                {junior->id, cls});
    Db().Execute("INSERT INTO tavrinKSK (id, grade, studentid, name, class) VALUES (?, ?, ?, '乙', ?)",
                 {junior->id, junior->grade, twin, cls});
    Db().Execute("INSERT INTO tavrinKSK (id, grade, studentid, name, class) VALUES (?, ?, NULL, '无号', ?)",
                 {junior->id, junior->grade, cls});
    OpenDialog();
    ASSERT_EQ(LoadEnglish(*junior, cls), 1);
    const auto byName = [&](const QString& name) {
        return Scalar("SELECT quote(s031) || ' ' || quote(s03) FROM tavrinKSK WHERE id=? AND name=?",
                      {junior->id, name});
    };
    const QString first =
        Scalar("SELECT name FROM tavrinKSK WHERE id=? AND studentid=? AND name<>'乙'", {junior->id, twin});
    const QString firstBefore = byName(first);

    const int second = FindRow(Grid(), 1, "乙");
    ASSERT_GT(second, 0);
    ASSERT_TRUE(EditCell(Grid(), second, 5, "9"));
    EXPECT_EQ(byName("乙"), "9.0 9.0");
    EXPECT_EQ(byName(first), firstBefore);

    const int nameless = FindRow(Grid(), 1, "无号");
    ASSERT_GT(nameless, 0);
    ASSERT_TRUE(EditCell(Grid(), nameless, 5, "8"));
    EXPECT_EQ(Grid().GetItemText(nameless, 5), "  8.00");
    EXPECT_EQ(byName("无号"), "8.0 8.0");
    ASSERT_TRUE(EditCell(Grid(), nameless, 2, "7"));
    EXPECT_EQ(Count("SELECT class FROM tavrinKSK WHERE id=? AND name='无号'", {junior->id}), 7);
    EXPECT_EQ(Count("SELECT count(*) FROM tavrinKSK WHERE class=7 AND id=?", {junior->id}), 1);

    // A row gone since the load: nothing is shown as stored.
    Db().Execute("DELETE FROM tavrinKSK WHERE id=? AND name='无号'", {junior->id});
    boxes->Clear();
    ASSERT_TRUE(EditCell(Grid(), nameless, 5, "6"));
    EXPECT_EQ(Grid().GetItemText(nameless, 5), "  8.00");
    EXPECT_EQ(Grid().GetItemText(nameless, 4), "  8.00");
    EXPECT_EQ(BoxTexts(), QStringList({"该学生的记录已被另一个窗口修改或删除，请重新列出。"}));
}

TEST_F(ScoreEntry, LargeNumbersAreReadWhole) {
    const int cls = GradeOf(*junior).classes[0];
    Db().Execute("UPDATE tavrinKSK SET cid=40000 WHERE id=? AND class=?", {junior->id, cls});
    Db().Execute("UPDATE tavrinKMWGT SET t1=40000 WHERE id=? AND kmfld='s03'", {junior->id});
    OpenDialog();
    ASSERT_EQ(LoadEnglish(*junior, cls), 1);
    EXPECT_EQ(Grid().GetItemText(1, 3), "40000");
    boxes->Clear();
    ASSERT_TRUE(EditCell(Grid(), 1, 5, "39999"));
    EXPECT_EQ(Grid().GetItemText(1, 5), "39999.00");
    EXPECT_TRUE(BoxTexts().isEmpty());
}

TEST_F(ScoreEntry, AnUnpreparedExamSaysToPrepareItFirst) {
    const int exam = AddExam(junior->grade, "2010至2011学年上学期期末考试");
    examsetup::InitWeights(Db(), exam);
    OpenDialog();
    ASSERT_EQ(LoadEnglish(*junior, 0), 1);
    boxes->Clear();
    EXPECT_EQ(Load(GradeOf(*junior).name + "|2010至2011学年上学期期末考试", "英语", 0), 0);
    EXPECT_EQ(Grid().GetRowCount(), 1);
    EXPECT_TRUE(dlg->GetExamId().isEmpty());
    ASSERT_EQ(BoxTexts().size(), 1);
    EXPECT_TRUE(BoxTexts()[0].contains("准备考试登分表")) << BoxTexts()[0].toStdString();

    // Once prepared, the same choice lists the grade.
    examsetup::PrepareScoreRows(Db(), exam, junior->grade);
    EXPECT_EQ(Load(GradeOf(*junior).name + "|2010至2011学年上学期期末考试", "英语", 0), 1);
    EXPECT_GT(Grid().GetRowCount(), 1);
}

TEST_F(ScoreEntry, ByNameModeCaption) {
    OpenDialog(2);
    EXPECT_EQ(dlg->windowTitle(), "按学生姓名分科目导入考试成绩");
    EXPECT_FALSE(dlg->GetDlgItem<QWidget>(CScoreEntryDlg::IDC_IMPORT)->isHidden());
}

} // namespace
} // namespace adminb
