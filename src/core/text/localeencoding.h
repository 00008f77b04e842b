#pragma once

#include <QByteArray>
#include <QString>

// Every text file Pagelith writes (settings, lists, schedule, text output) is
// stored in the encoding of the system locale, so other programs on the same
// machine read it as plain text.

// Text as bytes in the locale's encoding; a character the encoding cannot
// represent becomes '?'.
QByteArray EncodeLocaleText(const QString& text);

// Bytes in the locale's encoding as text; undecodable bytes become U+FFFD.
QString DecodeLocaleText(const QByteArray& bytes);
