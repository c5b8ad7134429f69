#pragma once
// Excel 97-2003 workbooks (BIFF8 in a compound file) read into their sheets' cells. This is the
// part of the workbook reader that runs in the child process (Child.h): it uses the C++ library,
// libgsf and Qt's hash functions only (BiffCrypt.h decrypts an encrypted book), and takes the
// file as bytes, so that it can be tried on any bytes at all.
//
// A cell keeps what the file holds: numbers, texts, booleans (as 1 and 0), and for a formula
// its cached result; numbers formatted as dates or times are told apart by their format. A
// formula's error result (and an error value) is a cell of its own kind, so that an import can
// say which cells held one; an empty text and a blank cell read as empty and are left out. A
// file that breaks the format where no writer does (a record cut short, a string running past
// its record, a cell record longer or shorter than its kind is, a sheet declared larger than the
// format allows, an index past its table, a record of an older format in a sheet, a cell given
// twice, a cell record after the sheet's cells have ended, a sheet without a size record ahead
// of its cells, a cell outside its declared rows in a row without a row record in a sheet whose
// rows have them) is refused whole. A sheet's size comes from its cells: the size it declares may
// hold no cell, or not every cell, as some writers declare it.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace importsrc::biff {

enum class Kind : std::uint8_t {
    Empty = 0, // (only while reading: a value that reads as empty)
    Number = 1,
    Text = 2,
    Date = 3,     // a number formatted as a date: days since 1899-12-30
    DateTime = 4, // ... as a date and time
    Time = 5,     // ... as a time of day
    Error = 6     // an error value (#DIV/0!, #N/A…), a formula's result as a rule
};

// A cell is small and holds no text of its own: a text is an index into the book's strings, so
// that a sheet of repeated texts holds each text once.
struct Cell {
    std::uint16_t row = 0;
    std::uint16_t column = 0;
    Kind kind = Kind::Number;
    std::uint32_t text = 0; // Text: the index of its string in Book::strings
    double number = 0;      // Number and the date kinds
};

struct Sheet {
    std::string name;        // UTF-8
    std::vector<Cell> cells; // by row, then column, each cell once
};

enum class Problem : std::uint32_t {
    None = 0,
    NotWorkbook, // no compound file, or no workbook stream in it
    Password,    // the workbook opens only with a password its user set
    Encrypted,   // the workbook is encrypted in a way the reader does not undo (BiffCrypt.h)
    OldFormat,   // a workbook of Excel 95 or earlier
    Damaged      // the detail says where
};

struct Book {
    Problem problem = Problem::None;
    std::string detail;        // Damaged: where the file breaks the format, in Chinese (UTF-8)
    std::vector<Sheet> sheets; // the worksheets, in the workbook's order
    // The texts of the cells, as UTF-8: the shared strings in the file's order, then the texts
    // that kept cells hold of their own (labels, formulas' text results).
    std::vector<std::string> strings;
    const std::string& Text(const Cell& cell) const { return strings[cell.text]; }
};

// The largest sheet the format allows.
inline constexpr std::uint32_t kMaxRows = 65536;
inline constexpr std::uint32_t kMaxColumns = 256;
// The days since 1899-12-30 of the first day past 9999: a number formatted as a date reads as one
// from day 0 up to this.
inline constexpr double kDaysPast9999 = 2958466;

// Which cells a read keeps: those of every sheet, or of none (the sheets are listed; their cells
// are read through and checked all the same).
inline constexpr int kAllSheets = -1;
inline constexpr int kNoSheet = -2;

// Reads the workbook stream of a compound file; `sheet` >= 0 keeps the cells of that sheet only
// (the others are read through all the same, so that damage anywhere refuses the file).
Book ReadWorkbookFile(const unsigned char* data, size_t size, int sheet = kAllSheets);

// Reads a workbook stream itself (the records).
Book ReadWorkbookStream(const unsigned char* data, size_t size, int sheet = kAllSheets);

// Called now and then as a read goes on (every few thousand cells or strings), so that a reader
// in a child can tell the program it is still making progress; nullptr: nothing is called.
void SetReadProgress(void (*step)(void* context), void* context);

// Loads libgsf's types in the program, before any child starts: a child of a program with
// threads must not be the first to register them (Child.h).
void PrepareCompoundFiles();

} // namespace importsrc::biff
