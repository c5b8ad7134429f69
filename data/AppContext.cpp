#include "data/AppContext.h"

#include "data/DataFiles.h"
#include "platform/res/StringTable.h"

#include <QCoreApplication>
#include <QDir>
#include <QPointer>

namespace data {
namespace {

constexpr int IDS_CONNECTION_FAILED = 57604; // 对不起，数据库连接失败！

struct Home {
    std::unique_ptr<db::Connection> connection;
    CTextCipher cipher;
    CAnalysisContext ownContext;
    CAnalysisContext* context = nullptr;
    QString appDir;
    QPointer<QObject> printTarget;
};

Home& TheHome() {
    static Home home;
    return home;
}

} // namespace

db::Connection& Database() {
    Home& home = TheHome();
    if (!home.connection || !home.connection->IsOpen())
        throw db::DbError(db::DbError::kNotOpen, QStringLiteral("no database connection"));
    return *home.connection;
}

bool HasDatabase() {
    const Home& home = TheHome();
    return home.connection && home.connection->IsOpen();
}

void SetDatabase(std::unique_ptr<db::Connection> connection) {
    // A twin beside the database takes its place at the next start that finds no database: no
    // save may write one.
    if (connection && connection->IsOpen())
        connection->KeepFromWrites(TwinPath(connection->Path()));
    TheHome().connection = std::move(connection);
}

QString DbErrorText(const db::DbError& error) {
    if (error.Code() == db::DbError::kNotOpen && !HasDatabase())
        return res::LoadString(IDS_CONNECTION_FAILED);
    return KnownDatabaseFailureReason(error).value_or(error.Message());
}

CTextCipher& NameCipher() {
    return TheHome().cipher;
}

CAnalysisContext& AnalysisContext() {
    Home& home = TheHome();
    return home.context ? *home.context : home.ownContext;
}

void ForgetAnalysisExam(int examId) {
    CAnalysisContext& context = AnalysisContext();
    if (examId != -1 && context.m_nAnalysisExamId == examId)
        context.Clear();
}

void DropAnalysisSubject(int subjectNo) {
    AnalysisContext().DropSubject(subjectNo);
}

void SetAnalysisContext(CAnalysisContext* context) {
    Home& home = TheHome();
    home.context = context;
    home.ownContext = CAnalysisContext();
}

QString AppDirectory() {
    const QString& dir = TheHome().appDir;
    return dir.isEmpty() ? ProgramDirectory() : dir;
}

void SetAppDirectory(const QString& directory) {
    TheHome().appDir = directory;
}

QString ProgramDirectory() {
    QString dir = qEnvironmentVariable("VELTORA_HOME");
    if (dir.isEmpty())
        dir = QCoreApplication::applicationDirPath();
    dir = QDir::cleanPath(QDir(dir).absolutePath());
    if (!dir.endsWith(u'/'))
        dir += u'/';
    return dir;
}

QObject* PrintTarget() {
    return TheHome().printTarget.data();
}

void SetPrintTarget(QObject* target) {
    TheHome().printTarget = target;
}

void ResetAppContext() {
    Home& home = TheHome();
    home.connection.reset();
    SetAnalysisContext(nullptr);
    home.appDir.clear();
    home.printTarget.clear();
}

} // namespace data
