#include "config/validemail.h"

#include <QStringList>

namespace {

bool IsLowerLetter(QChar c) { return c >= u'a' && c <= u'z'; }
bool IsDigit(QChar c) { return c >= u'0' && c <= u'9'; }

bool AllOf(const QString& text, bool (*allowed)(QChar))
{
    for (const QChar c : text)
        if (!allowed(c))
            return false;
    return true;
}

bool LocalChar(QChar c) { return IsLowerLetter(c) || IsDigit(c) || c == u'_' || c == u'.' || c == u'-'; }

bool LabelChar(QChar c) { return IsLowerLetter(c) || IsDigit(c) || c == u'-'; }

// Only A-Z need lowering: no other character can become one of the allowed
// ones by lower-casing, so the accepted set is the same.
QString AsciiLower(QString text)
{
    for (QChar& c : text)
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + 32);
    return text;
}

QString TrimSpaces(const QString& text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text[first] == u' ')
        ++first;
    while (last > first && text[last - 1] == u' ')
        --last;
    return text.mid(first, last - first);
}

} // namespace

bool IsValidEmail(const QString& address)
{
    const QString s = TrimSpaces(AsciiLower(address));
    const qsizetype at = s.indexOf(u'@');
    if (at < 0 || s.indexOf(u'@', at + 1) >= 0)
        return false;

    const QString local = s.left(at);
    if (local.isEmpty() || !AllOf(local, LocalChar))
        return false;

    const QStringList labels = s.mid(at + 1).split(u'.');
    if (labels.size() < 2)
        return false;

    const QString& top = labels.last();
    if ((top.size() != 2 && top.size() != 3) || !AllOf(top, IsLowerLetter))
        return false;

    for (qsizetype i = 0; i + 1 < labels.size(); ++i)
        if (labels[i].size() < 2 || !AllOf(labels[i], LabelChar))
            return false;
    return true;
}
