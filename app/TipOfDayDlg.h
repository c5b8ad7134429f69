#pragma once
// Tip of the day: one line of the tips file at a time; where it stopped is kept in the profile so
// the next showing continues with the next tip.

#include "platform/ui/Dialog.h"

#include <QByteArray>
#include <QString>

#include <cstdio>
#include <memory>

class CTipOfDayDlg : public ui::Dialog {
    Q_OBJECT
public:
    static constexpr int IDD = 103;

    explicit CTipOfDayDlg(QWidget* parent = nullptr);
    ~CTipOfDayDlg() override;

    bool m_bStartup = true; // check box 1001: show at start-up
    QString m_strTip;       // static 1004

    void DoDataExchange(bool saveAndValidate);
    bool OnInitDialog() override;
    void OnOK() override;
    void OnNextTip();

    // Reads the next line that is a tip, going round to the start of the file once; false when the
    // file has none. The line is kept as read (GBK bytes, line feed included).
    bool GetNextTipString(QByteArray& text);

    bool HasTipsFile() const { return m_pStream != nullptr; }
    // The tips file's path: "tavrintips.txt" in the program directory, or the one shipped beside
    // the executable when the program directory has none.
    static QString TipsFilePath();
    // A tip line as shown: GBK decoded, each backslash-n a paragraph break.
    static QString ConvertTip(const QByteArray& line);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct FileCloser {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    void BuildControls();
    void ReadFirstTip();

    std::unique_ptr<std::FILE, FileCloser> m_pStream;
};
