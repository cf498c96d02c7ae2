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

// Every link "[text](target)" becomes its text; what stands around the links
// stays. A "](" with no "[" before it, or with no ")" after it, is no link
// and stays as written.
QString reduceLinks(const QString& line)
{
    QString out;
    qsizetype pos = 0;
    qsizetype close = 0;
    while ((close = line.indexOf(QLatin1String("]("), pos)) >= 0) {
        const qsizetype open = line.lastIndexOf(QLatin1Char('['), close);
        const qsizetype end = line.indexOf(QLatin1Char(')'), close + 2);
        if (open < pos || end < 0) {
            out += line.mid(pos, close + 2 - pos);
            pos = close + 2;
            continue;
        }
        out += line.mid(pos, open - pos) + line.mid(open + 1, close - open - 1);
        pos = end + 1;
    }
    return out + line.mid(pos);
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
        line = TextCharacters::trimmedBlanks(reduceLinks(line));
        if (!line.isEmpty())
            lines << line;
    }
    return lines;
}

}  // namespace LegalMarkdown
