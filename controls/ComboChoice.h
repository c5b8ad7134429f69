#pragma once
// What an editable combo box stands for: the entry the user picked, or text the user typed.

#include <QVariant>

class QComboBox;

// The data of the entry the box shows: the current entry's data while the box's text is that
// entry's own text; an invalid QVariant when the text was typed or edited since (or there is no
// current entry).
QVariant ChosenEntryData(const QComboBox& combo);
// The position of that entry; -1 when the text was typed or edited since (or there is none).
int ChosenEntryIndex(const QComboBox& combo);

// Whether the box's text is the text of one of its entries.
bool HoldsListItem(const QComboBox& combo);

// The chosen entry's data, or else the data of the entry whose text the box holds in full (typed);
// invalid when the text names no entry.
QVariant ChosenOrNamedEntryData(const QComboBox& combo);
