#pragma once

#include "admin/AdminCommon.h"

#include <QStringList>

// The import road's field map: for each target field of the import (fixed column 0), the
// source column that feeds it (column 1), picked from the offers or typed. The grid's texts
// stay readable after the dialog has closed, until the dialog is destroyed.
class CImportFieldMapDlg : public admin::CAdminGridDlg {
    Q_OBJECT
public:
    enum { IDD = 134 };
    static constexpr int IDC_HELP = 1012;

    explicit CImportFieldMapDlg(QWidget* parent = nullptr);

    // admin::ImportMode; set before DoModal (the roster import keeps the default).
    void SetImportMode(int mode) { m_nImportMode = mode; }
    int GetImportMode() const { return m_nImportMode; }
    // Adds one source-column offer; called once per column, in field order, before DoModal.
    void JoinFieldNames(const QString& offer);
    int GetOfferCount() const { return m_nOfferCount; }

    bool OnInitDialog() override;
    void OnShowWindow();
    void OnOK() override;
    void OnHelp();
    // The score modes' check of the mapping, the whole check the import makes of it; false
    // (after the message) keeps the dialog open with the texts as they are.
    bool ValidateScoreMapping();

    // The text of target row `row` (1 onward): an offer, a typed text, or empty.
    QString GetMappedText(int row) const;
    // The texts of every target row, row 1 first.
    QStringList GetMappedTexts() const;
    int GetRowCount() const { return m_nRows; }

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The offers as a list: a column name may hold any character, so none serves to join them.
    QStringList m_strOffers;
    int m_nRows = 0;
    int m_nCols = 2;
    int m_nOfferCount = 0;
    int m_nImportMode = 0;
};
