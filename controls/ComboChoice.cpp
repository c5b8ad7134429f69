#include "controls/ComboChoice.h"

#include <QComboBox>

int ChosenEntryIndex(const QComboBox& combo) {
    const int index = combo.currentIndex();
    return index >= 0 && combo.itemText(index) == combo.currentText() ? index : -1;
}

QVariant ChosenEntryData(const QComboBox& combo) {
    const int index = ChosenEntryIndex(combo);
    return index >= 0 ? combo.itemData(index) : QVariant();
}

bool HoldsListItem(const QComboBox& combo) {
    return combo.findText(combo.currentText(), Qt::MatchExactly | Qt::MatchCaseSensitive) >= 0;
}

QVariant ChosenOrNamedEntryData(const QComboBox& combo) {
    const QVariant chosen = ChosenEntryData(combo);
    if (chosen.isValid())
        return chosen;
    const int index = combo.findText(combo.currentText(), Qt::MatchExactly | Qt::MatchCaseSensitive);
    return index >= 0 ? combo.itemData(index) : QVariant();
}
