#pragma once
// A program directory, a profile in memory, and the application's document, frame and view
// without a database connection; dialogs run through a recording runner.

#include "app/MainFrm.h"
#include "app/VeltoraApp.h"
#include "app/VeltoraView.h"
#include "data/AppContext.h"
#include "platform/profile/Profile.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/ModalRunner.h"
#include "tests/common/Warnings.h"

#include <gtest/gtest.h>

#include <QDialog>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <vector>

struct OpenedDialog {
    QString className;
    int templateId = 0;
    int mode = -1;   // the mode its setter received; -1 for a dialog without one
    int method = -1; // CExcellentRateDlg only
};

// The mode setter's value of each dialog class that has one.
int ModeOf(ui::Dialog& dialog, int* method = nullptr);

class ShellTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes `bytes` to the program directory's `name`.
    void WriteFile(const QString& name, const QByteArray& bytes);

    QTemporaryDir home;
    std::unique_ptr<ui::ScriptedMessageBoxes> boxes;
    std::unique_ptr<CVeltoraApp> app;
    CMainFrame* frame = nullptr;
    CVeltoraView* view = nullptr;
    std::vector<OpenedDialog> opened;
    QStringList qtDialogs;
    // The runner's answer for a dialog (IDCANCEL unless set).
    std::function<int(ui::Dialog&)> answer;
};
