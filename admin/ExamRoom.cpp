#include "admin/ExamRoom.h"

#include "data/ExamChooser.h"
#include "platform/db/Transaction.h"

#include <algorithm>
#include <numeric>

namespace examroom {

std::optional<QString> GradeCodeOf(db::Connection& connection, const QString& gradeText) {
    const QString text = gradeText.trimmed();
    if (text.isEmpty())
        return std::nullopt;
    const std::vector<data::GradeEntry> grades = data::GradeEntries(connection);
    for (const data::GradeEntry& g : grades)
        if (g.name == text && g.code.isValid() && !g.code.toString().isEmpty())
            return g.code.toString();
    for (const data::GradeEntry& g : grades)
        if (g.code.isValid() && g.code.toString() == text)
            return text;
    return std::nullopt;
}

std::vector<RoomStudent> ListStudents(db::Connection& connection, const QString& gradeCode, int stream) {
    QString sql = QStringLiteral("select rowid as roomrowid, * from tavrinname where studentid like ? and "
                                 "(active='是' or active is null)");
    if (stream == kArts)
        sql += QStringLiteral(" and worl='文'");
    else if (stream == kScience)
        sql += QStringLiteral(" and worl='理'");
    // Only senior grades (codes beginning with 1) are divided into arts and science.
    const bool senior = gradeCode.startsWith(u'1');

    std::vector<RoomStudent> students;
    db::Recordset rs = connection.Execute(sql, gradeCode + u'%');
    const auto text = [&rs](const char* field) {
        const db::Variant& v = rs.Field(QString::fromLatin1(field));
        return v.IsNull() ? QString() : v.ToString();
    };
    for (; !rs.IsEOF(); rs.MoveNext()) {
        RoomStudent s;
        s.rowid = rs.Field(QStringLiteral("roomrowid")).ToInt64();
        s.studentId = text("studentid");
        const db::Variant& cls = rs.Field(QStringLiteral("class"));
        if (!cls.IsNull())
            s.classText = QString::number(cls.ToInt());
        s.name = text("name");
        s.gender = text("gender");
        if (senior)
            s.stream = text("worl");
        s.examNumber = text("kh");
        s.room = s.examNumber.left(2);
        students.push_back(std::move(s));
    }
    rs.Close();
    return students;
}

int RoomCount(int students, int oddCapacity, int evenCapacity) {
    int rooms = 0;
    for (int left = students; left > 0;) {
        ++rooms;
        left -= rooms % 2 == 0 ? evenCapacity : oddCapacity;
    }
    return rooms;
}

std::optional<QString> CheckArrangement(int students, int oddCapacity, int evenCapacity) {
    const auto fits = [](int capacity) { return capacity >= 1 && capacity <= kMaxCapacity; };
    if (!fits(oddCapacity) || !fits(evenCapacity))
        return QStringLiteral("每考室人数必须在1到99之间！");
    if (RoomCount(students, oddCapacity, evenCapacity) > kMaxRooms)
        return QStringLiteral("考室数不能超过99个！");
    return std::nullopt;
}

std::optional<int> ParseCapacity(const QString& text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok || value < 1 || value > kMaxCapacity)
        return std::nullopt;
    return value;
}

QString Seat::RoomText() const {
    return QString::asprintf("%02d", room);
}

QString Seat::ExamNumber() const {
    return QString::asprintf("%02d%02d", room, seat);
}

std::vector<Seat> ArrangeSeats(const std::vector<int>& randoms, int oddCapacity, int evenCapacity) {
    std::vector<std::size_t> order(randoms.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return randoms[a] < randoms[b]; });

    std::vector<Seat> seats(randoms.size());
    int room = 1;
    int seat = 0;
    for (const std::size_t student : order) {
        const int capacity = room % 2 == 0 ? evenCapacity : oddCapacity;
        if (seat > capacity - 1) {
            seat = 1;
            ++room;
        } else {
            ++seat;
        }
        seats[student] = Seat{room, seat};
    }
    return seats;
}

namespace {

void WriteExamNumbers(db::Connection& connection, const std::vector<ExamNumberUpdate>& numbers) {
    for (const ExamNumberUpdate& n : numbers)
        connection.Execute(QStringLiteral("update tavrinName set kh=? where rowid=?"), n.examNumber,
                           static_cast<long long>(n.rowid));
}

} // namespace

void SaveExamNumbers(db::Connection& connection, const std::vector<ExamNumberUpdate>& numbers) {
    db::Transaction transaction(connection);
    WriteExamNumbers(connection, numbers);
    transaction.Commit();
}

void SaveArrangement(db::Connection& connection, const QString& gradeCode,
                     const std::vector<ExamNumberUpdate>& numbers) {
    db::Transaction transaction(connection);
    // The grade as ListStudents takes it; those no longer in school first, so that a student who is
    // seated keeps the number he is given whatever the roster says of him now.
    connection.Execute(
        QStringLiteral("update tavrinName set kh=NULL where studentid like ? and kh is not null "
                       "and not (active='是' or active is null)"),
        gradeCode + u'%');
    WriteExamNumbers(connection, numbers);
    transaction.Commit();
}

} // namespace examroom
