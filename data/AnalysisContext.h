#pragma once
// The exam and the subjects chosen for analysis. The main frame keeps one for the whole run (it is
// never stored); the analysis-parameter dialog writes it and every report reads it.

#include <QString>

#include <array>
#include <vector>

struct CAnalysisContext {
    static constexpr int kMaxSubjects = 50;

    // Grade description, "|", exam description, as chosen in the exam box; empty at start.
    QString m_strAnalysisExam;
    // tavrinKSLB.id of the exam, -1 when the text names no registered exam.
    int m_nAnalysisExamId = -1;
    // How many flags are set; 0 means the parameters have not been set.
    int m_nSelectedSubjects = 0;
    // Flag k (0 or 1) belongs to subject number k + 1, score column "s%02d" of k + 1.
    std::array<int, kMaxSubjects> m_aSubjectSelected{};

    bool HasExam() const { return m_nAnalysisExamId != -1; }
    // What the statistics commands check before they open.
    bool HasSubjects() const { return m_nSelectedSubjects > 0; }

    // Back to what the program starts with: no exam, no subject.
    void Clear() { *this = CAnalysisContext(); }
    // Subject `subjectNo` is deleted: it no longer takes part, and the count goes down with it.
    void DropSubject(int subjectNo) {
        if (subjectNo < 1 || subjectNo > kMaxSubjects || m_aSubjectSelected[subjectNo - 1] == 0)
            return;
        m_aSubjectSelected[subjectNo - 1] = 0;
        if (m_nSelectedSubjects > 0)
            --m_nSelectedSubjects;
    }

    // The participating subjects' numbers in subject order: the set flags from the first, until as
    // many have been met as the count says.
    std::vector<int> ParticipatingSubjects() const {
        std::vector<int> subjects;
        for (int k = 0; k < kMaxSubjects && int(subjects.size()) < m_nSelectedSubjects; ++k)
            if (m_aSubjectSelected[k] != 0)
                subjects.push_back(k + 1);
        return subjects;
    }
};
