#pragma once
// The exam-room arrangement without widgets: which students of a grade sit the exam, how they are
// seated at random in rooms of two alternating sizes, and how their exam numbers are stored. An
// exam number is the two-digit room followed by the two-digit seat in the room ("0312").

#include "platform/db/Connection.h"

#include <QString>

#include <optional>
#include <vector>

namespace examroom {

// The stream choice of the dialog.
enum Stream { kArts = 0, kScience = 1, kAllStreams = 2 };

// Rooms and seats are two digits each, so that an exam number fits the roster's four characters.
inline constexpr int kMaxCapacity = 99;
inline constexpr int kMaxRooms = 99;

// One listed student: the grid's columns 0 to 6.
struct RoomStudent {
    qint64 rowid = 0; // the roster row, by which the exam number is stored
    QString studentId;
    QString classText; // "%1d" of the class, empty when it is NULL
    QString name;
    QString gender;
    QString stream;     // "文"/"理" for a senior grade, empty otherwise
    QString room;       // the exam number's first two characters
    QString examNumber; // kh as stored
};

// The code of the grade a grade box's text names: a grade's name, or a grade's code typed as it
// is. Nothing when no grade has that name or code, or the grade has no code: listing by an empty
// code would take the whole school.
std::optional<QString> GradeCodeOf(db::Connection& connection, const QString& gradeText);

// The active students (active '是' or NULL) whose student number begins with the grade code, of the
// stream chosen, in the order the roster returns them. Throws db::DbError.
std::vector<RoomStudent> ListStudents(db::Connection& connection, const QString& gradeCode, int stream);

// How many rooms `students` candidates fill: room 1 takes the odd-room capacity, room 2 the
// even-room one, and so on; the last room takes what remains. Capacities must be at least 1.
int RoomCount(int students, int oddCapacity, int evenCapacity);

// Why an arrangement cannot be made ("每考室人数必须在1到99之间！", "考室数不能超过99个！"), or
// nothing when it can.
std::optional<QString> CheckArrangement(int students, int oddCapacity, int evenCapacity);

// A capacity as typed: a whole number in 1..kMaxCapacity, blanks around it allowed; nothing for
// any other text.
std::optional<int> ParseCapacity(const QString& text);

struct Seat {
    int room = 0;
    int seat = 0;
    QString RoomText() const;   // "%02d"
    QString ExamNumber() const; // "%02d%02d"
};

// Seating as a pure function. `randoms` holds one random number per student, the students in
// student-number order; the seating order is the order of those numbers, ascending (equal numbers
// keep the student-number order). Along the seating order the rooms fill one after another, room 1
// with `oddCapacity` seats, room 2 with `evenCapacity`, and so on. Answers each student's seat, in
// the order of `randoms`. Capacities must be at least 1 (CheckArrangement).
std::vector<Seat> ArrangeSeats(const std::vector<int>& randoms, int oddCapacity, int evenCapacity);

struct ExamNumberUpdate {
    qint64 rowid = 0;
    QString examNumber;
};

// Stores every exam number in the roster in one transaction: on a failure none is stored and the
// db::DbError passes on.
void SaveExamNumbers(db::Connection& connection, const std::vector<ExamNumberUpdate>& numbers);

// Stores an arrangement of the grade as SaveExamNumbers does and, in the same transaction, takes the
// exam number from every student of the grade it did not seat who is no longer in school (active
// '否'): the new seating may give his old number to another student, and one exam number names one
// student.
void SaveArrangement(db::Connection& connection, const QString& gradeCode,
                     const std::vector<ExamNumberUpdate>& numbers);

} // namespace examroom
