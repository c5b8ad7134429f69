#pragma once

#include "platform/ui/Dialog.h"

class QButtonGroup;

// 功能选择: which exam-room printout to make (class lists, room lists or desk labels).
class CRoomOutputDlg : public ui::Dialog {
    Q_OBJECT
public:
    enum { IDD = 251 };
    static constexpr int IDC_CLASS_LISTS = 1186;
    static constexpr int IDC_ROOM_LISTS = 1064;
    static constexpr int IDC_DESK_LABELS = 1074;

    explicit CRoomOutputDlg(QWidget* parent = nullptr);

    bool OnInitDialog() override;
    void OnOK() override;

    int m_nChoice = 0;

private:
    QButtonGroup* m_choices;
};
