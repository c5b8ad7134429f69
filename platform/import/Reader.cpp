#include "platform/import/Reader.h"

#include "platform/import/Source.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QTime>

namespace importsrc {

SourceTable Reader::Read(const QString& table) const {
    struct Collect : TableSink {
        SourceTable* out = nullptr;
        void Columns(const QStringList& names, const QStringList& types) override {
            out->names = names;
            out->types = types;
        }
        void Row(std::vector<db::Variant>& values) override { out->rows.push_back(std::move(values)); }
    };
    SourceTable out;
    Collect collect;
    collect.out = &out;
    Stream(table, collect, &out.errorCells);
    return out;
}

void Reader::Stream(const QString& table, TableSink& sink, ErrorCells* errors) const {
    SourceTable read = Read(table);
    sink.Columns(read.names, read.types);
    for (std::vector<db::Variant>& row : read.rows)
        sink.Row(row);
    *errors = std::move(read.errorCells);
}

QString ShownPath(const QString& path) {
    return QDir::toNativeSeparators(path);
}

db::DbError UnreadableSource(const QString& path, const QString& kindName, const QString& reason) {
    return db::DbError(kUnreadableSource,
                       QStringLiteral("无法读取%1“%2”：%3").arg(kindName, ShownPath(path), reason));
}

void CheckReadable(const QString& path, const QString& kindName) {
    const QFileInfo info(path);
    if (!info.exists())
        throw UnreadableSource(path, kindName, QStringLiteral("文件不存在。"));
    if (!info.isFile() || !info.isReadable())
        throw UnreadableSource(path, kindName, QStringLiteral("文件不能打开。"));
}

QString FileSizeText(const QString& path) {
    const qint64 bytes = QFileInfo(path).size();
    if (bytes >= 1024 * 1024)
        return QString::number(static_cast<double>(bytes) / (1024.0 * 1024.0), 'f', 1) +
               QStringLiteral(" MB");
    return QString::number((bytes + 1023) / 1024) + QStringLiteral(" KB");
}

QString NumberText(double value) {
    return db::Variant(value).ToString();
}

bool ParseNumber(const QString& text, double* value) {
    const QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    bool ok = false;
    const double v = t.toDouble(&ok); // C locale: '.' is the decimal point
    if (ok)
        *value = v;
    return ok;
}

QString DateTimeText(int year, int month, int day, long long msOfDay) {
    const QDate date(year, month, day);
    if (!date.isValid())
        return {};
    QString text = date.toString(QStringLiteral("yyyy-MM-dd"));
    if (msOfDay > 0)
        text += QLatin1Char(' ') + QTime::fromMSecsSinceStartOfDay(static_cast<int>(msOfDay % 86400000LL))
                                       .toString(QStringLiteral("HH:mm:ss"));
    return text;
}

} // namespace importsrc
