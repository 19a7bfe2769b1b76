#include "LatinCaseless.h"

namespace {

inline char16_t foldLatin(char16_t c)
{
    return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + (u'a' - u'A')) : c;
}

} // namespace

qsizetype FindLatinCaseless(const QString& text, const QString& needle, qsizetype from)
{
    const qsizetype n = needle.size();
    if (n == 0 || from < 0) {
        return -1;
    }
    const char16_t* t = reinterpret_cast<const char16_t*>(text.constData());
    const char16_t* q = reinterpret_cast<const char16_t*>(needle.constData());
    const char16_t first = foldLatin(q[0]);
    for (qsizetype i = from; i + n <= text.size(); ++i) {
        if (foldLatin(t[i]) != first) {
            continue;
        }
        qsizetype k = 1;
        while (k < n && foldLatin(t[i + k]) == foldLatin(q[k])) {
            ++k;
        }
        if (k == n) {
            return i;
        }
    }
    return -1;
}
