#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// One cookie of a cookies.txt file, as browsers and download tools export them.
struct FileCookie
{
    // The host the cookie belongs to, without a leading dot.
    QString domain;
    // Sent to the hosts below `domain` too, not to that host alone.
    bool includeSubdomains = false;
    QString path = QStringLiteral("/");
    // Sent over HTTPS only.
    bool secure = false;
    // Hidden from the page's scripts.
    bool httpOnly = false;
    // Seconds since 1970 when it expires; 0 for a cookie of the session.
    qint64 expires = 0;
    QString name;
    QString value;

    bool expiredAt(qint64 secondsSinceEpoch) const
    {
        return expires > 0 && expires <= secondsSinceEpoch;
    }
};

// Reads the Netscape cookie file format: one cookie a line, seven fields separated
// by tabs (domain, TRUE/FALSE for the hosts below it, path, TRUE/FALSE for HTTPS
// only, expiry in seconds since 1970 or 0, name, value). Blank lines and lines
// starting with "#" are skipped, except "#HttpOnly_", which marks the cookie on
// that line as hidden from scripts.
//
// Every malformed line is a problem "line N: why"; the cookies of the other lines
// are kept, so that a caller may choose to go on.
QList<FileCookie> ParseCookiesText(const QString& text, QStringList* problems);

// The cookies of the file at `path`, expired ones left out; false, with the
// reason (the file's problems named by their lines), when the file cannot be read
// or any line is malformed.
bool ReadCookiesFile(const QString& path, QList<FileCookie>* cookies, QString* error);
