#include "store/Engine.h"

#include "base/StoreError.h"
#include "base/StoredText.h"
#include "store/BoundQuery.h"

#include <QSqlError>
#include <QSqlQuery>
#include <vector>

QVariant Engine::StoredValue::toVariant() const
{
    switch (type) {
    case Type::Integer:
        return QVariant(qlonglong(integer));
    case Type::Real:
        return QVariant(real);
    case Type::Text:
        return QVariant(StoredText::toString(bytes));
    case Type::Blob:
        return QVariant(bytes.toByteArray());
    case Type::Null:
        break;
    }
    return QVariant();
}

void Engine::forEachRow(QSqlDatabase db, const QString &sql, const QVariantList &values,
                        int columns, const RowVisit &visit) const
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    execBound(q, sql, values);
    std::vector<StoredValue> row(static_cast<size_t>(columns));
    std::vector<QByteArray> texts(static_cast<size_t>(columns));
    while (q.next()) {
        for (int c = 0; c < columns; ++c) {
            const QVariant v = q.value(c);
            StoredValue &s = row[size_t(c)];
            s = StoredValue();
            if (v.isNull())
                continue;
            switch (v.typeId()) {
            case QMetaType::Int:
            case QMetaType::UInt:
            case QMetaType::LongLong:
            case QMetaType::ULongLong:
            case QMetaType::Bool:
                s.type = StoredValue::Type::Integer;
                s.integer = v.toLongLong();
                break;
            case QMetaType::QByteArray:
                texts[size_t(c)] = v.toByteArray();
                s.type = StoredValue::Type::Blob;
                s.bytes = texts[size_t(c)];
                break;
            default:
                // Texts, and exact decimals, which the driver hands out as
                // their digits.
                texts[size_t(c)] = v.toString().toUtf8();
                s.type = StoredValue::Type::Text;
                s.bytes = texts[size_t(c)];
            }
        }
        if (!visit(row.data()))
            return;
    }
    if (q.lastError().isValid())
        throw StoreError(q.lastError().text());
}

namespace LikePattern {

namespace {

QString literal(const QString &text)
{
    QString escaped;
    escaped.reserve(text.size());
    for (const QChar c : text) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('%') || c == QLatin1Char('_'))
            escaped += QLatin1Char('\\');
        escaped += c;
    }
    return escaped;
}

} // namespace

QString containing(const QString &text)
{
    return QLatin1Char('%') + literal(text) + QLatin1Char('%');
}

QString endingWith(const QString &text)
{
    return QLatin1Char('%') + literal(text);
}

} // namespace LikePattern
