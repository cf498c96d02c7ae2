#pragma once

#include <QString>

#include <exception>
#include <string>

// The REST client's own failure. `server` carries the server's error text (or
// "request_failed" when the reply named none); the other kinds carry nothing.
// The HTTP layer's and the decoder's failures are not wrapped in it: they
// reach the caller as TransportError and DecodeError.
class TovrinAPIError : public std::exception {
public:
    enum class Kind {
        server,       // the reply said "ok": false
        badURL,       // no request address could be formed
        badResponse,  // not an accepted status, an error body, or a missing object
        decode,       // a POST reply that does not decode, or a profile reply without a profile
    };

    static TovrinAPIError server(const QString& text) { return TovrinAPIError(Kind::server, text); }
    static TovrinAPIError badURL() { return TovrinAPIError(Kind::badURL, {}); }
    static TovrinAPIError badResponse() { return TovrinAPIError(Kind::badResponse, {}); }
    static TovrinAPIError decode() { return TovrinAPIError(Kind::decode, {}); }

    Kind kind() const { return kind_; }
    // The server's error text; empty for every kind but `server`.
    const QString& serverText() const { return serverText_; }

    const char* what() const noexcept override { return what_.c_str(); }

private:
    TovrinAPIError(Kind kind, const QString& serverText) : kind_(kind), serverText_(serverText)
    {
        switch (kind) {
        case Kind::server: what_ = "server: " + serverText.toStdString(); break;
        case Kind::badURL: what_ = "badURL"; break;
        case Kind::badResponse: what_ = "badResponse"; break;
        case Kind::decode: what_ = "decode"; break;
        }
    }

    Kind kind_;
    QString serverText_;
    std::string what_;
};
