#include "BookmarkFile.h"

#include "base/Exceptions.h"

#include <QHash>
#include <QRegularExpression>
#include <QStringDecoder>
#include <memory>
#include <vector>

namespace {

// Deeper lists than this are read into the deepest folder: a hostile file must
// not be able to exhaust the stack of whoever walks the tree.
constexpr int kMaxDepth = 200;

bool isSpace(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
}

// Named references: the markup ones, the Latin-1 range and the punctuation that
// page titles carry. An unknown name stays as it was written.
const QHash<QString, char32_t>& namedEntities()
{
    static const QHash<QString, char32_t> names = [] {
        QHash<QString, char32_t> h{
            {"amp", 38},      {"lt", 60},       {"gt", 62},       {"quot", 34},     {"apos", 39},     {"OElig", 338},
            {"oelig", 339},   {"Scaron", 352},  {"scaron", 353},  {"Yuml", 376},    {"fnof", 402},    {"circ", 710},
            {"tilde", 732},   {"ensp", 8194},   {"emsp", 8195},   {"thinsp", 8201}, {"zwnj", 8204},   {"zwj", 8205},
            {"lrm", 8206},    {"rlm", 8207},    {"ndash", 8211},  {"mdash", 8212},  {"lsquo", 8216},  {"rsquo", 8217},
            {"sbquo", 8218},  {"ldquo", 8220},  {"rdquo", 8221},  {"bdquo", 8222},  {"dagger", 8224}, {"Dagger", 8225},
            {"bull", 8226},   {"hellip", 8230}, {"permil", 8240}, {"prime", 8242},  {"Prime", 8243},  {"lsaquo", 8249},
            {"rsaquo", 8250}, {"oline", 8254},  {"euro", 8364},   {"trade", 8482},  {"larr", 8592},   {"uarr", 8593},
            {"rarr", 8594},   {"darr", 8595},   {"harr", 8596},   {"minus", 8722},  {"infin", 8734},  {"ne", 8800},
            {"le", 8804},     {"ge", 8805},     {"hearts", 9829}, {"alpha", 945},   {"beta", 946},    {"gamma", 947},
            {"delta", 948},   {"pi", 960},      {"sigma", 963},   {"omega", 969},   {"Omega", 937},   {"mu", 956},
        };
        static const char* const latin1[] = {
            "nbsp",   "iexcl",  "cent",   "pound",  "curren", "yen",    "brvbar", "sect",   "uml",    "copy",
            "ordf",   "laquo",  "not",    "shy",    "reg",    "macr",   "deg",    "plusmn", "sup2",   "sup3",
            "acute",  "micro",  "para",   "middot", "cedil",  "sup1",   "ordm",   "raquo",  "frac14", "frac12",
            "frac34", "iquest", "Agrave", "Aacute", "Acirc",  "Atilde", "Auml",   "Aring",  "AElig",  "Ccedil",
            "Egrave", "Eacute", "Ecirc",  "Euml",   "Igrave", "Iacute", "Icirc",  "Iuml",   "ETH",    "Ntilde",
            "Ograve", "Oacute", "Ocirc",  "Otilde", "Ouml",   "times",  "Oslash", "Ugrave", "Uacute", "Ucirc",
            "Uuml",   "Yacute", "THORN",  "szlig",  "agrave", "aacute", "acirc",  "atilde", "auml",   "aring",
            "aelig",  "ccedil", "egrave", "eacute", "ecirc",  "euml",   "igrave", "iacute", "icirc",  "iuml",
            "eth",    "ntilde", "ograve", "oacute", "ocirc",  "otilde", "ouml",   "divide", "oslash", "ugrave",
            "uacute", "ucirc",  "uuml",   "yacute", "thorn",  "yuml"};
        for (int i = 0; i < 96; ++i) {
            h.insert(QString::fromLatin1(latin1[i]), char32_t(160 + i));
        }
        return h;
    }();
    return names;
}

void appendCodePoint(QString& out, char32_t cp)
{
    // NUL, surrogates and numbers past Unicode read as the replacement character.
    if (cp == 0 || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) {
        cp = 0xFFFD;
    }
    out += QString::fromUcs4(&cp, 1);
}

int digitValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9') {
        return u - u'0';
    }
    if ((u | 0x20) >= u'a' && (u | 0x20) <= u'f') {
        return (u | 0x20) - u'a' + 10;
    }
    return 99;
}

QString decodeEntities(QStringView raw)
{
    if (!raw.contains(u'&')) {
        return raw.toString();
    }
    QString out;
    out.reserve(raw.size());
    const qsizetype n = raw.size();
    for (qsizetype i = 0; i < n;) {
        const QChar c = raw[i];
        if (c != u'&') {
            out += c;
            ++i;
            continue;
        }
        qsizetype j = i + 1;
        if (j < n && raw[j] == u'#') {
            ++j;
            const bool hex = j < n && (raw[j] == u'x' || raw[j] == u'X');
            if (hex) {
                ++j;
            }
            const qsizetype digits = j;
            char32_t value = 0;
            bool tooBig = false;
            while (j < n && digitValue(raw[j]) < (hex ? 16 : 10)) {
                value = value * (hex ? 16 : 10) + static_cast<char32_t>(digitValue(raw[j]));
                tooBig = tooBig || value > 0x10FFFF;
                if (tooBig) {
                    value = 0x110000;
                }
                ++j;
            }
            if (j == digits) {
                out += c; // "&#" with no number is text
                ++i;
                continue;
            }
            if (j < n && raw[j] == u';') {
                ++j;
            }
            appendCodePoint(out, value);
            i = j;
            continue;
        }
        while (j < n && j - i <= 32 && raw[j].unicode() < 128 && raw[j].isLetterOrNumber()) {
            ++j;
        }
        const QString name = raw.mid(i + 1, j - i - 1).toString();
        const auto found = namedEntities().constFind(name);
        const bool terminated = j < n && raw[j] == u';';
        // Without its semicolon only the markup four are read, and not where an
        // address goes on with a name or a value ("?a=1&copy=2").
        const bool bare = !terminated && (name == u"amp" || name == u"lt" || name == u"gt" || name == u"quot") &&
                          !(j < n && (raw[j] == u'=' || raw[j].isLetterOrNumber()));
        if (found != namedEntities().constEnd() && (terminated || bare)) {
            appendCodePoint(out, *found);
            i = terminated ? j + 1 : j;
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}

QStringView trimmedRaw(QStringView raw)
{
    qsizetype b = 0;
    qsizetype e = raw.size();
    while (b < e && isSpace(raw[b])) {
        ++b;
    }
    while (e > b && isSpace(raw[e - 1])) {
        --e;
    }
    return raw.mid(b, e - b);
}

// A title as written: edge blanks and the line breaks of the layout go, blanks
// inside stay, references are read last so that written ones survive.
QString cleanTitle(QStringView raw)
{
    const QStringView t = trimmedRaw(raw);
    QString out;
    out.reserve(t.size());
    for (qsizetype i = 0; i < t.size();) {
        if (!isSpace(t[i])) {
            out += t[i++];
            continue;
        }
        qsizetype j = i;
        bool breaks = false;
        while (j < t.size() && isSpace(t[j])) {
            breaks = breaks || t[j] != u' ';
            ++j;
        }
        if (breaks) {
            out += u' ';
        } else {
            out += t.mid(i, j - i);
        }
        i = j;
    }
    return decodeEntities(out);
}

// A description keeps its lines.
QString cleanRemark(QStringView raw)
{
    QString t = trimmedRaw(raw).toString();
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(u'\r', u'\n');
    return decodeEntities(t);
}

struct Node
{
    QString name;
    QList<BookmarkLink> links;
    std::vector<std::unique_ptr<Node>> folders;
};

BookmarkFolder toFolder(Node& node)
{
    BookmarkFolder folder{std::move(node.name), std::move(node.links), {}};
    folder.folders.reserve(static_cast<qsizetype>(node.folders.size()));
    for (auto& child : node.folders) {
        folder.folders.append(toFolder(*child));
    }
    return folder;
}

class Parser
{
public:
    explicit Parser(const QString& text) : s(text)
    {
        stack.push_back(&root);
    }

    BookmarkFolder run()
    {
        const qsizetype n = s.size();
        qsizetype pos = 0;
        while (pos < n) {
            const qsizetype lt = s.indexOf(u'<', pos);
            if (lt < 0) {
                text(QStringView(s).mid(pos));
                break;
            }
            if (lt > pos) {
                text(QStringView(s).mid(pos, lt - pos));
            }
            pos = markup(lt);
        }
        finishCapture();
        return toFolder(root);
    }

private:
    enum class Capture
    {
        None,
        FolderName,
        LinkTitle,
        Description,
        Ignore
    };

    // Reads the markup at `lt` and returns where the text goes on.
    qsizetype markup(qsizetype lt)
    {
        const qsizetype n = s.size();
        if (QStringView(s).mid(lt, 4) == u"<!--") {
            const qsizetype end = s.indexOf(QStringLiteral("-->"), lt + 4);
            return end < 0 ? n : end + 3;
        }
        const QChar next = lt + 1 < n ? s[lt + 1] : QChar();
        if (next == u'!' || next == u'?') {
            const qsizetype end = s.indexOf(u'>', lt);
            return end < 0 ? n : end + 1;
        }
        const bool closing = next == u'/';
        qsizetype i = lt + (closing ? 2 : 1);
        const qsizetype nameStart = i;
        while (i < n && s[i].unicode() < 128 && s[i].isLetterOrNumber()) {
            ++i;
        }
        if (i == nameStart || !s[nameStart].isLetter()) {
            text(u"<"); // a lone "<" is text
            return lt + 1;
        }
        const QString name = s.mid(nameStart, i - nameStart).toLower();
        QHash<QString, QString> attrs;
        for (;;) {
            while (i < n && (isSpace(s[i]) || s[i] == u'/')) {
                ++i;
            }
            if (i >= n) {
                return n; // cut off inside the tag: the tag is dropped
            }
            if (s[i] == u'>') {
                ++i;
                break;
            }
            if (s[i] == u'<') {
                break; // an unclosed tag ends where the next begins
            }
            const qsizetype attrStart = i;
            while (i < n && !isSpace(s[i]) && s[i] != u'=' && s[i] != u'>' && s[i] != u'<') {
                ++i;
            }
            const QString attr = s.mid(attrStart, i - attrStart).toLower();
            while (i < n && isSpace(s[i])) {
                ++i;
            }
            QString value;
            if (i < n && s[i] == u'=') {
                ++i;
                while (i < n && isSpace(s[i])) {
                    ++i;
                }
                if (i < n && (s[i] == u'"' || s[i] == u'\'')) {
                    const QChar quote = s[i];
                    const qsizetype close = s.indexOf(quote, i + 1);
                    const qsizetype lineEnd = s.indexOf(u'\n', i + 1);
                    if (close >= 0 && (lineEnd < 0 || close < lineEnd)) {
                        value = s.mid(i + 1, close - i - 1);
                        i = close + 1;
                    } else if (close < 0 && lineEnd < 0) {
                        return n; // cut off inside a value
                    } else {
                        // A quote left open: the value ends at the line's first
                        // ">", which then ends the tag, or else at the line's end.
                        const qsizetype limit = lineEnd < 0 ? n : lineEnd;
                        const qsizetype gt = s.indexOf(u'>', i + 1);
                        const qsizetype end = gt >= 0 && gt < limit ? gt : limit;
                        value = s.mid(i + 1, end - i - 1);
                        i = end;
                    }
                } else {
                    const qsizetype valueStart = i;
                    while (i < n && !isSpace(s[i]) && s[i] != u'>') {
                        ++i;
                    }
                    value = s.mid(valueStart, i - valueStart);
                }
            }
            if (!attr.isEmpty() && !attrs.contains(attr)) {
                attrs.insert(attr, decodeEntities(trimmedRaw(value)));
            }
        }
        if (closing) {
            endTag(name);
        } else {
            startTag(name, attrs);
        }
        return i;
    }

    void text(QStringView t)
    {
        if (capture != Capture::None && capture != Capture::Ignore) {
            buffer += t;
        }
    }

    Node* current() const
    {
        return stack.back();
    }

    void finishCapture()
    {
        switch (capture) {
        case Capture::FolderName: {
            auto folder = std::make_unique<Node>();
            folder->name = cleanTitle(buffer);
            pending = folder.get();
            current()->folders.push_back(std::move(folder));
            break;
        }
        case Capture::LinkTitle:
            if (link) {
                link->title = cleanTitle(buffer);
            }
            break;
        case Capture::Description:
            if (link) {
                link->remark = cleanRemark(buffer);
            }
            break;
        case Capture::None:
        case Capture::Ignore:
            break;
        }
        capture = Capture::None;
        buffer.clear();
    }

    void startTag(const QString& name, const QHash<QString, QString>& attrs)
    {
        if (name == u"h3") {
            finishCapture();
            pending = nullptr;
            link = nullptr;
            capture = Capture::FolderName;
        } else if (name == u"a") {
            finishCapture();
            pending = nullptr;
            QList<BookmarkLink>& links = current()->links;
            links.append({QString(), attrs.value(QStringLiteral("href")), QString()});
            link = &links.last();
            capture = Capture::LinkTitle;
        } else if (name == u"dd") {
            finishCapture();
            // A folder's description has no place to go.
            capture = link ? Capture::Description : Capture::Ignore;
        } else if (name == u"dl") {
            finishCapture();
            const bool room = static_cast<int>(stack.size()) <= kMaxDepth;
            // A list without a heading belongs to the folder it stands in.
            stack.push_back(pending && room ? pending : current());
            pending = nullptr;
            link = nullptr;
        } else if (name == u"dt" || name == u"hr") {
            finishCapture();
            pending = nullptr;
            link = nullptr;
        } else if (name == u"h1" || name == u"title") {
            finishCapture();
            capture = Capture::Ignore;
        } else if (name == u"br" && capture == Capture::Description) {
            buffer += u"&#10;";
        }
    }

    void endTag(const QString& name)
    {
        if ((name == u"h3" && capture == Capture::FolderName) || (name == u"a" && capture == Capture::LinkTitle) ||
            ((name == u"h1" || name == u"title") && capture == Capture::Ignore) || name == u"dd") {
            finishCapture();
        } else if (name == u"dl") {
            finishCapture();
            pending = nullptr;
            link = nullptr;
            if (stack.size() > 1) {
                stack.pop_back();
            }
        }
    }

    const QString& s;
    Node root;
    std::vector<Node*> stack;
    Node* pending = nullptr;      // a folder heading waiting for its list
    BookmarkLink* link = nullptr; // the link a description would belong to
    Capture capture = Capture::None;
    QString buffer;
};

QString escaped(const QString& text, bool attribute)
{
    QString out;
    out.reserve(text.size() + 8);
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text[first] == u' ') {
        ++first;
    }
    while (last > first && text[last - 1] == u' ') {
        --last;
    }
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'&') {
            out += QStringLiteral("&amp;");
        } else if (c == u'<') {
            out += QStringLiteral("&lt;");
        } else if (c == u'>') {
            out += QStringLiteral("&gt;");
        } else if (c == u'"' && attribute) {
            out += QStringLiteral("&quot;");
        } else if (c == u'\n' || c == u'\r' || c == u'\t' || c == u'\f' || (c == u' ' && (i < first || i >= last))) {
            out += QStringLiteral("&#%1;").arg(c.unicode());
        } else {
            out += c;
        }
    }
    return out;
}

void writeFolder(QString& out, const BookmarkFolder& folder, const QString& date, int depth)
{
    const QString indent(depth * 4, u' ');
    for (const BookmarkFolder& sub : folder.folders) {
        out += indent + QStringLiteral("<DT><H3 ADD_DATE=\"%1\" LAST_MODIFIED=\"%1\">").arg(date) +
               escaped(sub.name, false) + QStringLiteral("</H3>\n");
        out += indent + QStringLiteral("<DL><p>\n");
        writeFolder(out, sub, date, depth + 1);
        out += indent + QStringLiteral("</DL><p>\n");
    }
    for (const BookmarkLink& link : folder.links) {
        out += indent + QStringLiteral("<DT><A HREF=\"") + escaped(link.url, true) +
               QStringLiteral("\" ADD_DATE=\"%1\">").arg(date) + escaped(link.title, false) + QStringLiteral("</A>\n");
        if (!link.remark.isEmpty()) {
            out += indent + QStringLiteral("<DD>") + escaped(link.remark, false) + u'\n';
        }
    }
}

QString charsetOf(const QByteArray& bytes)
{
    static const QRegularExpression meta(QStringLiteral("charset\\s*=\\s*[\"']?([A-Za-z0-9_.:-]+)"),
                                         QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = meta.match(QString::fromLatin1(bytes.left(64 * 1024)));
    return m.hasMatch() ? m.captured(1) : QString();
}

bool isUtf8(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString ignored = utf8(bytes);
    return !utf8.hasError();
}

QString decodeWith(const QByteArray& bytes, const char* name)
{
    QStringDecoder decoder(name);
    return decoder(bytes);
}

} // namespace

namespace BookmarkFile {

QString Decode(const QByteArray& bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        return QString::fromUtf8(bytes.mid(3));
    }
    if (bytes.startsWith("\xFF\xFE")) {
        return decodeWith(bytes.mid(2), "UTF-16LE");
    }
    if (bytes.startsWith("\xFE\xFF")) {
        return decodeWith(bytes.mid(2), "UTF-16BE");
    }
    const QString declared = charsetOf(bytes);
    QString name = declared.toLower();
    // As browsers read them: the Chinese names as their superset, Latin-1 as
    // the Windows page that extends it.
    static const QStringList chinese{"gb2312", "gbk",        "x-gbk",    "cp936",
                                     "euc-cn", "gb_2312-80", "csgb2312", "windows-936"};
    if (chinese.contains(name)) {
        name = QStringLiteral("gb18030");
    } else if (name == u"iso-8859-1" || name == u"latin1" || name == u"us-ascii" || name == u"ascii") {
        name = QStringLiteral("windows-1252");
    } else if (name == u"utf8") {
        name = QStringLiteral("utf-8");
    }
    if (name.isEmpty() || name == u"utf-8") {
        // Without a word on it, text that is not UTF-8 is most likely the
        // Chinese Windows page.
        return name.isEmpty() && !isUtf8(bytes) ? decodeWith(bytes, "GB18030") : QString::fromUtf8(bytes);
    }
    QStringDecoder decoder(name.toLatin1().constData());
    if (!decoder.isValid()) {
        if (isUtf8(bytes)) {
            return QString::fromUtf8(bytes);
        }
        throw EAppError(QStringLiteral("无法识别书签文件的字符集“%1”。").arg(declared));
    }
    return decoder(bytes);
}

BookmarkFolder Parse(const QString& text)
{
    if (!text.contains(QStringLiteral("NETSCAPE-Bookmark-file"), Qt::CaseInsensitive) &&
        !text.contains(QStringLiteral("<DL"), Qt::CaseInsensitive)) {
        throw EAppError(QStringLiteral("这不是书签文件：书签文件是浏览器导出的 HTML 文件。"));
    }
    return Parser(text).run();
}

QByteArray Write(const BookmarkFolder& root, qint64 addDate)
{
    QString out = QStringLiteral("<!DOCTYPE NETSCAPE-Bookmark-file-1>\n"
                                 "<!-- This is an automatically generated file.\n"
                                 "     It will be read and overwritten.\n"
                                 "     DO NOT EDIT! -->\n"
                                 "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\n"
                                 "<TITLE>Bookmarks</TITLE>\n"
                                 "<H1>Bookmarks</H1>\n"
                                 "<DL><p>\n");
    writeFolder(out, root, QString::number(addDate), 1);
    out += QStringLiteral("</DL><p>\n");
    return out.toUtf8();
}

bool IsRefusedUrl(const QString& url)
{
    // As an address bar reads it: leading controls and blanks, and tabs and line
    // breaks anywhere, do not count.
    QString scheme;
    for (const QChar c : url) {
        if (c.unicode() <= 0x20 && (scheme.isEmpty() || c == u'\t' || c == u'\n' || c == u'\r')) {
            continue;
        }
        if (c == u':') {
            break;
        }
        scheme += c.toLower();
        if (scheme.size() > 16) {
            return false;
        }
    }
    return scheme == u"javascript" || scheme == u"vbscript" || scheme == u"data";
}

} // namespace BookmarkFile
