#pragma once
// "如何计算百分比": asks whether the cut of the rate reports is a score or a proportion of the
// students, beside a small animation.

#include "platform/ui/Dialog.h"

class CGifStatic;
class QButtonGroup;
class QGroupBox;

class CPercentModeDlg : public ui::Dialog {
    Q_OBJECT
public:
    enum { IDD = 248 };
    static constexpr int IDC_PICTURE = 1184;
    static constexpr int IDC_GROUP = 1210;
    static constexpr int IDC_BY_SCORE = 1183;
    static constexpr int IDC_BY_PROPORTION = 1064;

    explicit CPercentModeDlg(QWidget* parent = nullptr);
    ~CPercentModeDlg() override;

    // 0, or 1 for the top-student averages (the group box then asks for the excellence cut).
    void SetMode(int mode) { m_nMode = mode; }
    int GetMode() const { return m_nMode; }

    void DoDataExchange(bool saveAndValidate);
    bool OnInitDialog() override;
    void OnOK() override;

    CGifStatic* Picture() const { return m_picture; }

    // The chosen method, read after DoModal returned IDOK: 0 by score, 1 by proportion of students.
    int m_nMethod = 1;

private:
    int m_nMode = 0;
    CGifStatic* m_picture;
    QGroupBox* m_group;
    QButtonGroup* m_methods;
};
