#include "platform/diagnostics.h"

#include <cstdio>
#include <vector>

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

}  // namespace

void printLine(const QString& line)
{
    const QByteArray bytes = line.toUtf8();
    std::lock_guard lock(registryMutex());
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
    for (LineCapture* capture : captures())
        capture->append(line);
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
