#include "legal/legal_markdown.h"

#include "platform/text_characters.h"

namespace LegalMarkdown {
namespace {

bool isLineBreak(QChar c)
{
    const char16_t u = c.unicode();
    return u == u'\n' || u == u'\r' || u == 0x000B || u == 0x000C || u == 0x0085 || u == 0x2028 || u == 0x2029;
}

// Splits at every line break; "\r\n" gives an empty line between, which trimming removes later.
QStringList splitLines(const QString& text)
{
    QStringList lines;
    QString current;
    for (QChar c : text) {
        if (isLineBreak(c)) {
            lines << current;
            current.clear();
        } else {
            current += c;
        }
    }
    lines << current;
    return lines;
}

// Keeps the text before the first link and the link's text; drops its target
// and everything after. A "](" before any "[" leaves the line as it is.
QString reduceLink(const QString& line)
{
    const qsizetype close = line.indexOf(QLatin1String("]("));
    const qsizetype open = line.indexOf(QLatin1Char('['));
    if (close < 0 || open < 0 || close < open)
        return line;
    return line.left(open) + line.mid(open + 1, close - open - 1);
}

}  // namespace

QList<Section> sections(const QString& markdown)
{
    QList<Section> result;
    QString title = QStringLiteral("Overview");
    QStringList pending;
    const auto flush = [&] {
        const QString body = TextCharacters::trimmedWhere(
            pending.join(QLatin1Char('\n')), [](QChar c) { return TextCharacters::isBlank(c) || isLineBreak(c); });
        if (!(body.isEmpty() && title == QLatin1String("Overview")))
            result.append({title, body});
        pending.clear();
    };
    for (const QString& line : splitLines(markdown)) {
        if (line.startsWith(QLatin1String("## "))) {
            flush();
            title = TextCharacters::trimmedBlanks(line.mid(3).remove(QStringLiteral("{#contact}")));
        } else if (line.startsWith(QLatin1String("# ")) || line.startsWith(QLatin1String("---"))) {
            continue;
        } else {
            pending << line;
        }
    }
    flush();
    return result;
}

QStringList plainLines(const QString& body)
{
    QStringList lines;
    for (QString line : splitLines(body)) {
        if (line.startsWith(QLatin1String("- ")))
            line.replace(0, 2, QStringLiteral("\u2022 "));
        line.remove(QStringLiteral("**"));
        line.remove(QLatin1Char('`'));
        line = TextCharacters::trimmedBlanks(reduceLink(line));
        if (!line.isEmpty())
            lines << line;
    }
    return lines;
}

}  // namespace LegalMarkdown
