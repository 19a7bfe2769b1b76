#include "Statement.h"

#include "JetDialect.h"

#include <QDateTime>
#include <sqlcipher/sqlite3.h>

Statement::Statement(sqlite3* db, const QByteArray& sql, const char** tail)
    : Statement(db, sql.constData(), static_cast<int>(sql.size()), tail)
{}

Statement::Statement(sqlite3* db, const char* sql, int bytes, const char** tail) : m_db(db)
{
    if (!db) {
        throw EngineError(QStringLiteral("database is not open"));
    }
    if (sqlite3_prepare_v2(db, sql, bytes, &m_stmt, tail) != SQLITE_OK) {
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
        fail();
    }
}

Statement::~Statement()
{
    sqlite3_finalize(m_stmt);
}

void Statement::fail() const
{
    throw EngineError(QString::fromUtf8(sqlite3_errmsg(m_db)));
}

void Statement::bind(int index, const QVariant& value)
{
    int rc = SQLITE_OK;
    if (!value.isValid() || value.isNull()) {
        rc = sqlite3_bind_null(m_stmt, index);
    } else {
        switch (value.typeId()) {
        case QMetaType::Bool:
            rc = sqlite3_bind_int(m_stmt, index, value.toBool() ? -1 : 0);
            break;
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::UInt:
        case QMetaType::ULongLong:
            rc = sqlite3_bind_int64(m_stmt, index, value.toLongLong());
            break;
        case QMetaType::Double:
            rc = sqlite3_bind_double(m_stmt, index, value.toDouble());
            break;
        case QMetaType::QDateTime:
            rc = sqlite3_bind_double(m_stmt, index, Jet::toDays(value.toDateTime()));
            break;
        case QMetaType::QDate:
            rc = sqlite3_bind_double(m_stmt, index, Jet::toDays(value.toDate()));
            break;
        case QMetaType::QTime:
            rc = sqlite3_bind_double(m_stmt, index, Jet::toTimeFraction(value.toTime()));
            break;
        default: {
            const QByteArray text = value.toString().toUtf8();
            rc = sqlite3_bind_text(m_stmt, index, text.constData(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
        }
        }
    }
    if (rc != SQLITE_OK) {
        fail();
    }
}

void Statement::bindText(int index, const char* utf8, int bytes)
{
    if (sqlite3_bind_text(m_stmt, index, utf8, bytes, SQLITE_STATIC) != SQLITE_OK) {
        fail();
    }
}

void Statement::bindInt64(int index, qint64 value)
{
    if (sqlite3_bind_int64(m_stmt, index, value) != SQLITE_OK) {
        fail();
    }
}

bool Statement::step()
{
    if (!m_stmt) {
        return false;
    }
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW) {
        return true;
    }
    if (rc != SQLITE_DONE) {
        fail();
    }
    return false;
}

void Statement::run()
{
    while (step()) {
    }
}

void Statement::reset()
{
    if (m_stmt) {
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
    }
}

int Statement::columnCount() const
{
    return m_stmt ? sqlite3_column_count(m_stmt) : 0;
}

QString Statement::columnName(int column) const
{
    return QString::fromUtf8(sqlite3_column_name(m_stmt, column));
}

QString Statement::declaredType(int column) const
{
    const char* decl = sqlite3_column_decltype(m_stmt, column);
    return decl ? QString::fromUtf8(decl) : QString();
}

QVariant Statement::value(int column) const
{
    switch (sqlite3_column_type(m_stmt, column)) {
    case SQLITE_INTEGER:
        return QVariant(static_cast<qlonglong>(sqlite3_column_int64(m_stmt, column)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(m_stmt, column));
    case SQLITE_TEXT:
        return QVariant(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, column)),
                                          sqlite3_column_bytes(m_stmt, column)));
    case SQLITE_BLOB:
        return QVariant(QByteArray(static_cast<const char*>(sqlite3_column_blob(m_stmt, column)),
                                   sqlite3_column_bytes(m_stmt, column)));
    default:
        return {};
    }
}

sqlite3_value* Statement::rawValue(int column) const
{
    return sqlite3_column_value(m_stmt, column);
}

qint64 Statement::int64(int column) const
{
    return sqlite3_column_int64(m_stmt, column);
}

QString Statement::text(int column) const
{
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, column)),
                             sqlite3_column_bytes(m_stmt, column));
}
