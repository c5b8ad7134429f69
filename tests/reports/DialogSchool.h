#pragma once
// The hand-made school behind the running application: its frame (which holds the analysis
// context), the shared home's connection on the school's file, and message boxes that record
// their texts.

#include "SmallSchool.h"

#include "app/MainFrm.h"
#include "app/VeltoraApp.h"
#include "data/AppContext.h"
#include "platform/drensil/Drensil.h"
#include "platform/profile/Profile.h"
#include "platform/ui/MessageBox.h"
#include "reports/ValidTotals.h"

#include <memory>

class DialogSchool : public SmallSchool {
protected:
    void SetUp() override {
        SmallSchool::SetUp();
        reports::ComputeValidTotals(m_db, 1, 2, {1, 2, 3});
        profile::UseMemoryStore();
        boxes = std::make_unique<ui::ScriptedMessageBoxes>();
        app = std::make_unique<CVeltoraApp>();
        data::SetAppDirectory(m_dir.path() + u'/');
        ASSERT_TRUE(app->ProcessShellCommand());
        auto connection = std::make_unique<db::Connection>();
        connection->OpenFile(m_dir.filePath(QStringLiteral("small.mdb")));
        data::SetDatabase(std::move(connection));
        frame = app->GetMainWnd();
        drensil::SetFileOpener([this](const QString& path) {
            handedOn << path;
            return true;
        });
    }
    void TearDown() override {
        drensil::SetFileOpener({});
        app.reset();
        boxes.reset();
    }

    // Exam 1 with subjects 1 to 3 taking part, as the parameter dialog would save it.
    void SetContext(std::initializer_list<int> subjects = {1, 2, 3}) {
        static_cast<CAnalysisContext&>(*frame) = Context(subjects);
    }

    std::unique_ptr<ui::ScriptedMessageBoxes> boxes;
    std::unique_ptr<CVeltoraApp> app;
    CMainFrame* frame = nullptr;
    QStringList handedOn;
};
