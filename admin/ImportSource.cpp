#include "admin/ImportSource.h"

#include "platform/log/Log.h"

#include <QFileInfo>

namespace admin {
namespace {

// Whether the row's text (row 1 is entry 0) maps a source column.
bool Mapped(const QStringList& texts, int row) {
    return !texts.value(row - 1).trimmed().isEmpty();
}

} // namespace

QString ImportFileFilter() {
    return QStringLiteral("Microsoft Excel  文件 (*.xls)|*.xls|Microsoft Access 数据库 (*.mdb)|*.mdb|"
                          "Microsoft Foxpro 文件 (*.dbf)|*.dbf||");
}

QString ImportFileTitle() {
    return QStringLiteral("选择数据来源文件");
}

QStringList ImportTargetFields(int mode) {
    switch (mode) {
    case IMPORT_SCORES_BY_NUMBER:
        return {QStringLiteral("学号[字符型,9位]"), QStringLiteral("I卷"), QStringLiteral("II卷")};
    case IMPORT_SCORES_BY_NAME:
        return {QStringLiteral("姓名[字符型,8位]"), QStringLiteral("班级"), QStringLiteral("I卷"),
                QStringLiteral("II卷")};
    default:
        return {QStringLiteral("学号[字符型,9位]"), QStringLiteral("姓名[字符型,8位]"),
                QStringLiteral("性别[字符型,2位]"), QStringLiteral("班级[数值型]"),
                QStringLiteral("序号[数值型]"),     QStringLiteral("在读[字符型,2位]"),
                QStringLiteral("文理[字符型,2位]"), QStringLiteral("AB班[字符型,1位]"),
                QStringLiteral("类别[字符型,2位]")};
    }
}

QString ImportMapCaption(int mode) {
    switch (mode) {
    case IMPORT_SCORES_BY_NUMBER:
        return QStringLiteral("按学号导入考试成绩");
    case IMPORT_SCORES_BY_NAME:
        return QStringLiteral("按学生姓名导入考试成绩");
    default:
        return QStringLiteral("学生名单导入");
    }
}

bool SameImportName(const QString& a, const QString& b) {
    return a.trimmed().compare(b.trimmed(), Qt::CaseInsensitive) == 0;
}

int ImportFieldIndex(const db::Recordset& records, const QString& name) {
    for (int i = 0; i < records.FieldCount(); ++i)
        if (SameImportName(records.FieldName(i), name))
            return i;
    return -1;
}

std::optional<QStringList> ImportOffers(const db::Recordset& records, int mode, QString* refused) {
    QStringList offers;
    for (int i = 0; i < records.FieldCount(); ++i) {
        const QString name = records.FieldName(i).trimmed();
        if (mode != IMPORT_SCORES_BY_NUMBER && mode != IMPORT_SCORES_BY_NAME) {
            offers << name;
            continue;
        }
        switch (importsrc::ClassOfType(records.FieldType(i))) {
        case importsrc::ColumnClass::Numeric:
            offers << name + QStringLiteral("[N]");
            break;
        case importsrc::ColumnClass::Character:
            offers << name + QStringLiteral("[C]");
            break;
        case importsrc::ColumnClass::None:
            if (refused)
                *refused = name;
            return std::nullopt;
        }
    }
    return offers;
}

ImportColumnRef SplitImportOffer(const QString& text) {
    ImportColumnRef ref;
    const qsizetype bracket = text.indexOf(QLatin1Char('['));
    if (bracket < 0) {
        ref.column = text;
        return ref;
    }
    ref.column = text.left(bracket);
    ref.hasClass = true;
    ref.classLetter = bracket + 1 < text.size() ? text.at(bracket + 1) : QChar();
    return ref;
}

QString ImportChosenOffer(int mode, const QStringList& offers, const QString& text) {
    if (text.trimmed().isEmpty() || offers.contains(text))
        return text;
    const bool classed = mode == IMPORT_SCORES_BY_NUMBER || mode == IMPORT_SCORES_BY_NAME;
    for (const QString& offer : offers)
        if (SameImportName(classed ? SplitImportOffer(offer).column : offer, text))
            return offer;
    return text;
}

QString ImportMappingRefusal(int mode, const QStringList& texts) {
    switch (mode) {
    case IMPORT_SCORES_BY_NUMBER:
        if (Mapped(texts, 1) && (Mapped(texts, 2) || Mapped(texts, 3)))
            return {};
        return QStringLiteral("对不起，除学号字段外，\n还必须至少选择I卷或II卷中的一项！");
    case IMPORT_SCORES_BY_NAME:
        if (Mapped(texts, 1) && Mapped(texts, 2) && (Mapped(texts, 3) || Mapped(texts, 4)))
            return {};
        return QStringLiteral("对不起，除姓名和班级字段外，\n还必须至少选择I卷或II卷中的一项！");
    default:
        if (Mapped(texts, 1) && Mapped(texts, 2))
            return {};
        return QStringLiteral("对不起，必须导入学号和姓名！");
    }
}

CImportSource::CImportSource() = default;

CImportSource::~CImportSource() = default;

void CImportSource::Open(const QString& path) {
    Close();
    m_path = path;
    m_file = std::make_unique<importsrc::SourceFile>(path);
}

importsrc::SourceKind CImportSource::Kind() const {
    return m_file ? m_file->Kind() : importsrc::SourceKind::Access;
}

bool CImportSource::PicksTable() const {
    return Kind() != importsrc::SourceKind::FoxPro;
}

QStringList CImportSource::Tables() const {
    return m_file ? m_file->Tables() : QStringList();
}

QString CImportSource::FileTable() const {
    return m_file ? QFileInfo(m_file->Path()).fileName() : QString();
}

void CImportSource::SelectTable(const QString& table) {
    if (!m_file)
        throw db::DbError(db::DbError::kNotOpen, QStringLiteral("没有打开数据来源文件。"));
    m_records.Close();
    if (!m_connection.IsOpen())
        m_connection.OpenFile(QStringLiteral(":memory:"));
    m_file->Load(table, m_connection);
    m_records = importsrc::SelectLoaded(m_connection, table);
    m_strTable = table;
}

const importsrc::ErrorCells& CImportSource::ErrorCells() const {
    static const importsrc::ErrorCells none;
    return m_file && !m_strTable.isEmpty() ? m_file->LoadedErrorCells() : none;
}

int CImportSource::FirstRowNumber() const {
    return Kind() == importsrc::SourceKind::Workbook ? 2 : 1;
}

void CImportSource::IndexKeyColumns(int mode, const QStringList& texts) {
    int keys = 0;
    if (mode == IMPORT_SCORES_BY_NUMBER)
        keys = 1;
    else if (mode == IMPORT_SCORES_BY_NAME)
        keys = 2; // name and class
    for (int row = 1; row <= keys; ++row) {
        const ImportColumnRef key = SplitImportOffer(texts.value(row - 1).trimmed());
        const int field = ImportFieldIndex(m_records, key.column);
        if (!key.hasClass || field < 0)
            continue;
        try {
            importsrc::IndexColumn(m_connection, m_strTable, m_records.FieldName(field),
                                   key.classLetter == u'N' ? importsrc::ColumnClass::Numeric
                                                           : importsrc::ColumnClass::Character);
        } catch (const db::DbError& e) {
            // Lookups still work without the index, only slower.
            qCInfo(vlog::io) << "no index on the import key" << key.column << ":" << e.Message();
        }
    }
}

void CImportSource::Close() {
    m_records.Close();
    m_connection.Close();
    m_file.reset();
    m_strTable.clear();
}

} // namespace admin
