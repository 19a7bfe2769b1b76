#include "JetDialect.h"

#include <QSet>
#include <QVector>

namespace {

enum class Tk
{
    Space,
    String,
    Number,
    Ident,
    Quoted,
    Op,
    Open,
    Close,
    Comma
};

struct Token
{
    Tk kind;
    QString text;
};

bool identStart(QChar c)
{
    return c.isLetter() || c == QLatin1Char('_') || c.unicode() > 127;
}

bool identPart(QChar c)
{
    return identStart(c) || c.isDigit() || c == QLatin1Char('$');
}

QVector<Token> tokenize(const QString& s)
{
    QVector<Token> out;
    const int n = static_cast<int>(s.size());
    int i = 0;
    auto take = [&](Tk kind, int end) {
        out.append({kind, s.mid(i, end - i)});
        i = end;
    };
    while (i < n) {
        const QChar c = s.at(i);
        if (c.isSpace()) {
            int j = i;
            while (j < n && s.at(j).isSpace()) {
                ++j;
            }
            take(Tk::Space, j);
        } else if (c == QLatin1Char('-') && i + 1 < n && s.at(i + 1) == QLatin1Char('-')) {
            const int nl = static_cast<int>(s.indexOf(QLatin1Char('\n'), i));
            take(Tk::Space, nl < 0 ? n : nl);
        } else if (c == QLatin1Char('/') && i + 1 < n && s.at(i + 1) == QLatin1Char('*')) {
            const int close = static_cast<int>(s.indexOf(QStringLiteral("*/"), i + 2));
            take(Tk::Space, close < 0 ? n : close + 2);
        } else if (c == QLatin1Char('\'')) {
            int j = i + 1;
            while (j < n) {
                if (s.at(j) == QLatin1Char('\'')) {
                    if (j + 1 < n && s.at(j + 1) == QLatin1Char('\'')) {
                        j += 2;
                        continue;
                    }
                    ++j;
                    break;
                }
                ++j;
            }
            take(Tk::String, j);
        } else if (c == QLatin1Char('"') || c == QLatin1Char('[') || c == QLatin1Char('`')) {
            const QChar close = c == QLatin1Char('[') ? QLatin1Char(']') : c;
            const int j = static_cast<int>(s.indexOf(close, i + 1));
            take(Tk::Quoted, j < 0 ? n : j + 1);
        } else if (c.isDigit() || (c == QLatin1Char('.') && i + 1 < n && s.at(i + 1).isDigit())) {
            int j = i;
            while (j < n && (s.at(j).isDigit() || s.at(j) == QLatin1Char('.'))) {
                ++j;
            }
            take(Tk::Number, j);
        } else if (identStart(c)) {
            int j = i;
            while (j < n && identPart(s.at(j))) {
                ++j;
            }
            take(Tk::Ident, j);
        } else if (c == QLatin1Char('(')) {
            take(Tk::Open, i + 1);
        } else if (c == QLatin1Char(')')) {
            take(Tk::Close, i + 1);
        } else if (c == QLatin1Char(',')) {
            take(Tk::Comma, i + 1);
        } else {
            static const QStringList twoChar = {QStringLiteral("||"), QStringLiteral("<>"), QStringLiteral("<="),
                                                QStringLiteral(">="), QStringLiteral("!="), QStringLiteral("=="),
                                                QStringLiteral("<<"), QStringLiteral(">>")};
            const bool two = i + 1 < n && twoChar.contains(s.mid(i, 2));
            take(Tk::Op, i + (two ? 2 : 1));
        }
    }
    return out;
}

bool isKeyword(const QString& word)
{
    static const QSet<QString> keywords = {
        QStringLiteral("select"), QStringLiteral("from"),   QStringLiteral("where"),    QStringLiteral("and"),
        QStringLiteral("or"),     QStringLiteral("not"),    QStringLiteral("as"),       QStringLiteral("then"),
        QStringLiteral("else"),   QStringLiteral("when"),   QStringLiteral("case"),     QStringLiteral("end"),
        QStringLiteral("on"),     QStringLiteral("by"),     QStringLiteral("set"),      QStringLiteral("values"),
        QStringLiteral("like"),   QStringLiteral("is"),     QStringLiteral("in"),       QStringLiteral("between"),
        QStringLiteral("group"),  QStringLiteral("order"),  QStringLiteral("having"),   QStringLiteral("limit"),
        QStringLiteral("asc"),    QStringLiteral("desc"),   QStringLiteral("distinct"), QStringLiteral("union"),
        QStringLiteral("into"),   QStringLiteral("escape"), QStringLiteral("exists"),   QStringLiteral("return")};
    return keywords.contains(word.toLower());
}

class Rewriter
{
public:
    explicit Rewriter(QVector<Token> tokens) : t(std::move(tokens))
    {}

    QString run()
    {
        for (int i = 0; i < t.size(); ++i) {
            if (t[i].kind != Tk::Op || t[i].text != QLatin1String("+")) {
                continue;
            }
            const int p = prevSig(i);
            const int q = nextSig(i);
            if (p < 0 || q < 0 || (t[p].kind != Tk::String && t[q].kind != Tk::String)) {
                continue;
            }
            bool leftCompound = false;
            bool rightCompound = false;
            const int leftStart = leftOperand(p, leftCompound);
            const int rightEnd = rightOperand(q, rightCompound);
            if (leftStart < 0 || rightEnd < 0) {
                continue;
            }
            if (rightCompound) {
                t.insert(rightEnd + 1, {Tk::Close, QStringLiteral(")")});
                t.insert(q, {Tk::Open, QStringLiteral("(")});
            }
            t[i].text = QStringLiteral("||");
            if (leftCompound) {
                t.insert(p + 1, {Tk::Close, QStringLiteral(")")});
                t.insert(leftStart, {Tk::Open, QStringLiteral("(")});
                i += 2;
            }
        }
        QString out;
        for (const Token& tok : t) {
            out += tok.text;
        }
        return out;
    }

private:
    int prevSig(int i) const
    {
        for (--i; i >= 0; --i) {
            if (t[i].kind != Tk::Space) {
                return i;
            }
        }
        return -1;
    }

    int nextSig(int i) const
    {
        for (++i; i < t.size(); ++i) {
            if (t[i].kind != Tk::Space) {
                return i;
            }
        }
        return -1;
    }

    bool isValue(int i) const
    {
        return i >= 0 && (t[i].kind == Tk::String || t[i].kind == Tk::Number || t[i].kind == Tk::Quoted ||
                          (t[i].kind == Tk::Ident && !isKeyword(t[i].text)));
    }

    bool isOp(int i, std::initializer_list<const char*> ops) const
    {
        if (i < 0 || t[i].kind != Tk::Op) {
            return false;
        }
        for (const char* op : ops) {
            if (t[i].text == QLatin1String(op)) {
                return true;
            }
        }
        return false;
    }

    // First token of the primary that ends at i, or -1.
    int primaryBack(int i) const
    {
        if (i < 0) {
            return -1;
        }
        int start = -1;
        if (t[i].kind == Tk::Close) {
            int depth = 0;
            for (int j = i; j >= 0; --j) {
                if (t[j].kind == Tk::Close) {
                    ++depth;
                } else if (t[j].kind == Tk::Open && --depth == 0) {
                    start = j;
                    break;
                }
            }
            if (start < 0) {
                return -1;
            }
            const int fn = prevSig(start);
            if (fn >= 0 && t[fn].kind == Tk::Ident && !isKeyword(t[fn].text)) {
                start = fn;
            }
        } else if (isValue(i)) {
            start = i;
        } else {
            return -1;
        }
        const int dot = prevSig(start);
        if (isOp(dot, {"."}) && isValue(prevSig(dot))) {
            start = prevSig(dot);
        }
        return start;
    }

    // Last token of the primary that starts at i, or -1.
    int primaryFwd(int i) const
    {
        if (i < 0) {
            return -1;
        }
        int end = -1;
        if (t[i].kind == Tk::Open ||
            (isValue(i) && t[i].kind == Tk::Ident && nextSig(i) >= 0 && t[nextSig(i)].kind == Tk::Open)) {
            int depth = 0;
            for (int j = t[i].kind == Tk::Open ? i : nextSig(i); j < t.size(); ++j) {
                if (t[j].kind == Tk::Open) {
                    ++depth;
                } else if (t[j].kind == Tk::Close && --depth == 0) {
                    end = j;
                    break;
                }
            }
        } else if (isValue(i)) {
            end = i;
            const int dot = nextSig(i);
            if (isOp(dot, {"."}) && isValue(nextSig(dot))) {
                end = nextSig(dot);
            }
        }
        return end;
    }

    // The left operand of a + is everything additive before it (+ is left-associative).
    int leftOperand(int p, bool& compound) const
    {
        int start = primaryBack(p);
        while (start >= 0) {
            const int op = prevSig(start);
            if (!isOp(op, {"+", "-", "*", "/", "%", "||"})) {
                break;
            }
            const int before = primaryBack(prevSig(op));
            if (before < 0) {
                if (isOp(op, {"-"})) {
                    start = op;
                    compound = true;
                }
                break;
            }
            start = before;
            compound = true;
        }
        return start;
    }

    // The right operand of a + is one multiplicative term.
    int rightOperand(int q, bool& compound) const
    {
        int first = q;
        if (isOp(q, {"-", "+"})) {
            first = nextSig(q);
            compound = true;
        }
        int end = primaryFwd(first);
        while (end >= 0) {
            const int op = nextSig(end);
            if (!isOp(op, {"*", "/", "%"})) {
                break;
            }
            const int next = primaryFwd(nextSig(op));
            if (next < 0) {
                break;
            }
            end = next;
            compound = true;
        }
        return end;
    }

    QVector<Token> t;
};

} // namespace

namespace Jet {

QString rewrite(const QString& statement)
{
    if (!statement.contains(QLatin1Char('+'))) {
        return statement;
    }
    return Rewriter(tokenize(statement)).run();
}

} // namespace Jet
