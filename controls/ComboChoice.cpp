#include "controls/ComboChoice.h"

#include <QComboBox>

QVariant ChosenEntryData(const QComboBox& combo) {
    const int index = combo.currentIndex();
    if (index < 0 || combo.itemText(index) != combo.currentText())
        return {};
    return combo.itemData(index);
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
