#pragma once
// The program's version as the about box and the splash window show it.

#include <QString>

// "版本 a.b.c.d" from the program's version (QCoreApplication::applicationVersion, which main sets
// from the project version); without one, the whole of string 59142.
QString GetFileVersionString();
