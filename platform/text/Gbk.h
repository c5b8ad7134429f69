#pragma once
// Code page 936 (GBK) at the edges of the program: texts are QString inside, GBK bytes only where
// the program's files, byte limits, cipher input and text ordering are defined in that code page.

#include <QByteArray>
#include <QString>

namespace text {

// UTF-16 → GBK. A character that GBK lacks is written as '?'.
QByteArray ToGbk(const QString& s);

// UTF-16 → GB18030: the bytes of ToGbk for every character GBK has, and four-byte sequences for
// the rest, so that no character is lost (a GBK reader shows only those differently).
QByteArray ToGb18030(const QString& s);

// GBK → UTF-16. A byte sequence that is not GBK becomes U+FFFD; nothing is dropped silently.
QString FromGbk(const QByteArray& bytes);
QString FromGbk(const char* bytes, int length);

// The characters of the text that GBK lacks (Korean letters, emoji, …), each once, in the order
// they first appear; empty when GBK holds the whole text. A text stored through the code page
// must have none: each would be stored as '?' and counted as one byte.
QString CharactersOutsideGbk(const QString& s);

// Whether the character is a control character (a NUL, a tab, a line break, …), and whether the
// text holds one. A text stored through the code page must hold none: a grid shows it cut or
// broken at one, and a NUL ends the text for every program that reads the code page's bytes.
inline bool IsControlCharacter(QChar c) {
    return c.category() == QChar::Other_Control;
}
bool HasControlCharacter(const QString& s);

// Length of the text in GBK bytes (a Chinese character counts 2, an ASCII one 1).
int GbkLength(const QString& s);

// The longest prefix of the text whose GBK form has at most maxBytes bytes; never splits a
// character.
QString CutToGbkBytes(const QString& s, int maxBytes);

// Byte-wise comparison of the GBK forms (the order the program sorts texts in: ASCII first, then
// the common Chinese characters in pinyin order). Returns <0, 0 or >0.
int CompareGbk(const QString& a, const QString& b);
int CompareGbkBytes(const char* a, int aLength, const char* b, int bLength);

} // namespace text
