#pragma once

#include <QString>
#include <QStringList>

#include <mutex>

// The process's diagnostic output: one line at a time on standard output,
// flushed at once so that lines from several threads never interleave and a
// crash loses nothing already written.
namespace Diagnostics {

// Writes one line; control characters in it (newlines included) are escaped,
// so text that came from the network can never start a line of its own.
void printLine(const QString& line);
// The same on standard error; not collected by LineCapture.
void printErrorLine(const QString& line);

// Writes one line to the system log (syslog(3) at `priority`), then to
// standard error, then to standard output, escaped alike in all three.
void logLine(int priority, const QString& line);

// The text with every control character and line or paragraph separator
// written as an escape: \n, \r, \t, \xHH, or \u{HHHH}.
QString escapeControls(const QString& text);

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
