#pragma once
// The one rule for which columns of a table hold numbers: such a column is right-aligned as a
// whole, on the screen and in print, so that its values line up by their last digit, also where a
// cell is empty or padded (" 9" over "10").

#include <QString>

namespace text {

// Whether `s`, blanks around it aside, is a value as the reports write them: a number in the C
// locale's form ("85", "-3.5"), a percentage with its sign after or before the number ("85.50%",
// "%12.50"), or a count over its running total ("  3/ 5").
bool IsNumberText(const QString& s);

// Whether `s` stands for no value: blank, or a dash ("-", "--", "—").
bool IsNoValueText(const QString& s);

// Reads a column's cells one by one: the column holds numbers when at least one cell is a number
// and every other cell is no value. One real text (a name, "缺考") makes it a text column.
class NumberColumn {
public:
    void Add(const QString& cell);
    // The answer is known: a text was seen, the remaining cells change nothing.
    bool Decided() const { return m_text; }
    bool HoldsNumbers() const { return m_number && !m_text; }

private:
    bool m_number = false;
    bool m_text = false;
};

} // namespace text
