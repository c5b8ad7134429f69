#pragma once
// A fixture school behind the running application: the school made with the options given, the
// shared home's connection on its file, the first exam of its first grade as the analysis exam
// with every subject taking part, the chosen page A4 portrait, and message boxes that record
// their texts.

#include "app/MainFrm.h"
#include "app/VeltoraApp.h"
#include "data/AppContext.h"
#include "fixtures/SchoolFixture.h"
#include "platform/profile/Profile.h"
#include "platform/report/PageChoice.h"
#include "platform/ui/MessageBox.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

class FixtureSchoolApp : public ::testing::Test {
protected:
    void StartOn(const fixtures::SchoolOptions& options) {
        ASSERT_TRUE(dir.isValid());
        school = fixtures::MakeSchool(dir.filePath(QStringLiteral("veltora.mdb")), options);

        profile::UseMemoryStore();
        report::ForgetChosenPage(); // A4 portrait
        app = std::make_unique<CVeltoraApp>();
        data::SetAppDirectory(dir.path() + u'/');
        ASSERT_TRUE(app->ProcessShellCommand());
        auto connection = std::make_unique<db::Connection>();
        connection->OpenFile(school.path, fixtures::DatabasePassword());
        data::SetDatabase(std::move(connection));

        CAnalysisContext& context = *app->GetMainWnd();
        const fixtures::ExamInfo& exam = school.exams.front();
        context.m_nAnalysisExamId = exam.id;
        context.m_strAnalysisExam = school.grades.front().name + u'|' + exam.name;
        context.m_nSelectedSubjects = int(school.subjects.size());
        for (int k = 0; k < context.m_nSelectedSubjects; ++k)
            context.m_aSubjectSelected[k] = 1;
    }

    QTemporaryDir dir;
    fixtures::SchoolInfo school;
    ui::ScriptedMessageBoxes boxes;
    std::unique_ptr<CVeltoraApp> app;
};
