#pragma once

#include <QNetworkReply>
#include <QString>

#include <stdexcept>

// Failures of the platform layer, thrown from coroutines and caught by stores.

// The HTTP layer's own failure: no connection, time-out, cancellation, TLS.
class TransportError : public std::runtime_error {
public:
    TransportError(QNetworkReply::NetworkError code, const QString& description, bool timedOut = false)
        : std::runtime_error(description.toStdString()), code_(code), timedOut_(timedOut) {}

    QNetworkReply::NetworkError code() const { return code_; }
    bool timedOut() const { return timedOut_; }

private:
    QNetworkReply::NetworkError code_;
    bool timedOut_;
};

// The JSON decoder's own failure: malformed text, or a field missing, null
// where required, or of the wrong type. The message names the key.
class DecodeError : public std::runtime_error {
public:
    explicit DecodeError(const QString& what) : std::runtime_error(what.toStdString()) {}
};

// The file system's own failure: a file that could not be created or written.
class FileError : public std::runtime_error {
public:
    FileError(const QString& path, const QString& description)
        : std::runtime_error((path + QStringLiteral(": ") + description).toStdString()), path_(path) {}

    const QString& path() const { return path_; }

private:
    QString path_;
};
