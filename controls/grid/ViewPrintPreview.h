#pragma once
// The grid's print preview: a modal window of its own showing the pages the grid prints. Its
// Print command closes it and goes on to the main window, which relays it to the dialog that
// owns the grid.

#include <QDialog>
#include <QPointer>

#include <memory>

class CGridCtrl;
class QPrintPreviewWidget;
class QPrinter;

class CViewPrintPreview : public QDialog {
public:
    CViewPrintPreview(CGridCtrl* pGrid, QWidget* pMainWnd);
    ~CViewPrintPreview() override;

    CGridCtrl* GetGrid() const { return m_pGrid; }
    QWidget* GetMainWnd() const { return m_pMainWnd; }
    // True when the preview was closed by its Print command.
    bool PrintRequested() const { return m_bPrintRequested; }
    QPrintPreviewWidget* PreviewWidget() const { return m_pPreview; }

    void OnFilePrint();

private:
    void OnPaintRequested(QPrinter* pPrinter);

    QPointer<CGridCtrl> m_pGrid;
    QPointer<QWidget> m_pMainWnd;
    std::unique_ptr<QPrinter> m_pPrinter;
    QPrintPreviewWidget* m_pPreview = nullptr;
    bool m_bPrintRequested = false;
};
