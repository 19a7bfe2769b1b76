#include "SqlText.h"

#include "base/Exceptions.h"

#include <QRegularExpression>

QString SqlQuote(const QString& text)
{
    QString doubled = text;
    doubled.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + doubled + QLatin1Char('\'');
}

namespace {

bool isMark(const QString& statementTemplate, qsizetype i)
{
    return statementTemplate.at(i) == QLatin1Char('%') && i + 1 < statementTemplate.size() &&
           statementTemplate.at(i + 1) == QLatin1Char('s');
}

} // namespace

QString SqlFormat(const QString& statementTemplate, std::initializer_list<QString> values)
{
    static const QRegularExpression bare(QStringLiteral("^(-?[0-9]+|[A-Za-z_][A-Za-z0-9_]*)$"));
    const qsizetype n = statementTemplate.size();
    qsizetype marks = 0;
    for (qsizetype i = 0; i < n; ++i) {
        if (isMark(statementTemplate, i)) {
            ++marks;
            ++i;
        }
    }
    // A mark left unfilled or a value left over would run a statement nobody wrote.
    if (marks != static_cast<qsizetype>(values.size())) {
        throw EAppError(
            QStringLiteral("语句需要 %1 个值，却给了 %2 个：%3").arg(marks).arg(values.size()).arg(statementTemplate));
    }
    QString out;
    out.reserve(n + 64);
    auto value = values.begin();
    for (qsizetype i = 0; i < n; ++i) {
        if (!isMark(statementTemplate, i)) {
            out += statementTemplate.at(i);
            continue;
        }
        const bool quoted = i > 0 && statementTemplate.at(i - 1) == QLatin1Char('\'') && i + 2 < n &&
                            statementTemplate.at(i + 2) == QLatin1Char('\'');
        if (quoted) {
            // The engine would end the statement's text there.
            if (value->contains(QChar(u'\0'))) {
                throw EAppError(QStringLiteral("文字中不能含有空字符（U+0000），请删除后再试！"));
            }
            QString text = *value;
            out += text.replace(QLatin1Char('\''), QStringLiteral("''"));
        } else {
            const QString trimmed = value->trimmed();
            if (!bare.match(trimmed).hasMatch()) {
                throw EAppError(QStringLiteral("'%1' 不是有效的整数值").arg(*value));
            }
            out += trimmed;
        }
        ++value;
        ++i;
    }
    return out;
}

QStringList SplitText(const QString& text, const QString& separator)
{
    QStringList pieces;
    if (separator.isEmpty()) {
        pieces << text;
        return pieces;
    }
    bool inLiteral = false;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n;) {
        if (text.at(i) == QLatin1Char('\'')) {
            // A doubled quote inside a literal toggles twice and stays inside.
            inLiteral = !inLiteral;
            ++i;
        } else if (!inLiteral && QStringView(text).mid(i, separator.size()) == separator) {
            pieces << text.mid(start, i - start);
            i += separator.size();
            start = i;
        } else {
            ++i;
        }
    }
    pieces << text.mid(start);
    return pieces;
}
