#pragma once
// Tip of the day: one line of the tips file at a time; where it stopped is kept in the profile so
// the next showing continues with the next tip.

#include "platform/ui/Dialog.h"

#include <QByteArray>
#include <QString>

#include <optional>

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

    bool HasTipsFile() const { return m_tips.has_value(); }
    // The largest tips file read.
    static constexpr qint64 kMaxTipsBytes = 1024 * 1024;
    // The tips file's path: "tavrintips.txt" in the program directory, or the one shipped beside
    // the executable when the program directory has none. It is read only when it is a regular
    // file (or a link to one) of at most kMaxTipsBytes; anything else counts as no tips file.
    static QString TipsFilePath();
    // A tip line as shown: GBK decoded, each backslash-n a paragraph break.
    static QString ConvertTip(const QByteArray& line);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void BuildControls();
    void ReadFirstTip();
    // The next line of the file from the read position, as a line reader gives it: through the
    // line feed, at most 999 bytes; false at the end of the file.
    bool ReadLine(QByteArray& line);

    std::optional<QByteArray> m_tips; // the whole tips file, read when the dialog is made
    qint64 m_nPosition = 0;           // the read position in it, which the profile keeps
};
