#include "platform/diagnostics.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include <syslog.h>

namespace Diagnostics {
namespace {

std::mutex& registryMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::vector<LineCapture*>& captures()
{
    static std::vector<LineCapture*> list;
    return list;
}

bool needsEscape(QChar c)
{
    const QChar::Category category = c.category();
    return category == QChar::Other_Control || category == QChar::Separator_Line
           || category == QChar::Separator_Paragraph;
}

}  // namespace

QString escapeControls(const QString& text)
{
    if (std::none_of(text.cbegin(), text.cend(), needsEscape))
        return text;
    QString escaped;
    escaped.reserve(text.size() + 8);
    for (const QChar c : text) {
        if (!needsEscape(c)) {
            escaped.append(c);
        } else if (c == u'\n') {
            escaped.append(QLatin1String("\\n"));
        } else if (c == u'\r') {
            escaped.append(QLatin1String("\\r"));
        } else if (c == u'\t') {
            escaped.append(QLatin1String("\\t"));
        } else if (c.unicode() < 0x100) {
            escaped.append(QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0')));
        } else {
            escaped.append(QStringLiteral("\\u{%1}").arg(c.unicode(), 4, 16, QLatin1Char('0')));
        }
    }
    return escaped;
}

void printLine(const QString& text)
{
    const QString line = escapeControls(text);
    const QByteArray bytes = line.toUtf8();
    std::lock_guard lock(registryMutex());
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
    for (LineCapture* capture : captures())
        capture->append(line);
}

void printErrorLine(const QString& text)
{
    const QByteArray bytes = escapeControls(text).toUtf8() + '\n';
    std::lock_guard lock(registryMutex());
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

void logLine(int priority, const QString& text)
{
    // The system log must not get forged lines either.
    const QString line = escapeControls(text);
    syslog(priority, "%s", line.toUtf8().constData());
    printErrorLine(line);
    printLine(line);
}

LineCapture::LineCapture()
{
    std::lock_guard lock(registryMutex());
    captures().push_back(this);
}

LineCapture::~LineCapture()
{
    std::lock_guard lock(registryMutex());
    std::erase(captures(), this);
}

void LineCapture::append(const QString& line)
{
    std::lock_guard lock(mutex_);
    lines_.append(line);
}

QStringList LineCapture::lines() const
{
    std::lock_guard lock(mutex_);
    return lines_;
}

bool LineCapture::contains(const QString& fragment) const
{
    return count(fragment) > 0;
}

int LineCapture::count(const QString& fragment) const
{
    std::lock_guard lock(mutex_);
    int n = 0;
    for (const QString& line : lines_)
        n += line.contains(fragment) ? 1 : 0;
    return n;
}

}  // namespace Diagnostics
