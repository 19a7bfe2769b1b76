#include "SqlText.h"

#include "shell/Exceptions.h"

#include <QRegularExpression>

QString SqlQuote(const QString& text)
{
    QString doubled = text;
    doubled.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + doubled + QLatin1Char('\'');
}

QString SqlFormat(const QString& statementTemplate, std::initializer_list<QString> values)
{
    static const QRegularExpression bare(QStringLiteral("^(-?[0-9]+|[A-Za-z_][A-Za-z0-9_]*)$"));
    QString out;
    out.reserve(statementTemplate.size() + 64);
    auto value = values.begin();
    const qsizetype n = statementTemplate.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = statementTemplate.at(i);
        if (c != QLatin1Char('%') || i + 1 >= n || statementTemplate.at(i + 1) != QLatin1Char('s') ||
            value == values.end()) {
            out += c;
            continue;
        }
        const bool quoted = i > 0 && statementTemplate.at(i - 1) == QLatin1Char('\'') && i + 2 < n &&
                            statementTemplate.at(i + 2) == QLatin1Char('\'');
        if (quoted) {
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
