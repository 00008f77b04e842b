#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <utility>

// The request options as people write them (on the command line, in the
// settings), read into their parts. Each reader answers false with the reason in
// words; no reason ever repeats a password.

// "Name: value", a header sent with every request. The name is an HTTP token, and
// none of those the browser writes itself (Host, Content-Length, ...); the value
// may be empty but holds no line break.
bool ParseHeaderLine(const QString& text, std::pair<QString, QString>* header, QString* error);

// Several headers are kept in one settings value, separated by tabs (which no
// header written by hand holds).
QStringList SplitHeaderList(const QString& stored);
QString JoinHeaderList(const QStringList& headers);

// "user:password" for HTTP authentication; the password is everything after the
// first colon and may hold colons itself.
bool ParseCredentials(const QString& text, QString* user, QString* password, QString* error);
// The credentials on the first line of the file at `path`, which keeps them out of
// the process list.
bool ReadCredentialsFile(const QString& path, QString* user, QString* password, QString* error);

// A proxy: "http://host:port", "https://…", "socks4://…", "socks5://…", or
// "host:port" for HTTP. `server` is "scheme://host:port", without the user and
// password a URL may carry, which come back apart.
bool ParseProxyUrl(
    const QString& text, QString* server, QString* user, QString* password, QString* error);
