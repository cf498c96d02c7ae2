#pragma once

#include <QString>
#include <QStringList>

#include <mutex>

// The process's diagnostic output: one line at a time on standard output,
// flushed at once so that lines from several threads never interleave and a
// crash loses nothing already written.
namespace Diagnostics {

void printLine(const QString& line);

// Collects every printed line while it lives; tests assert on it.
class LineCapture {
public:
    LineCapture();
    ~LineCapture();
    LineCapture(const LineCapture&) = delete;
    LineCapture& operator=(const LineCapture&) = delete;

    QStringList lines() const;
    bool contains(const QString& fragment) const;
    int count(const QString& fragment) const;

private:
    friend void printLine(const QString& line);
    void append(const QString& line);

    mutable std::mutex mutex_;
    QStringList lines_;
};

}  // namespace Diagnostics
