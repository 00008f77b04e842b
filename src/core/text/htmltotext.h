#pragma once

#include <QString>

// Plain text from the HTML of a page's body, as written for the TXT output:
// tags dropped except a few that become line breaks or cell bars, runs of
// spaces and line ends collapsed to single spaces, and the Latin-1 named
// entities decoded. Pure: no side effects, an empty input gives an empty text.
QString HtmlToText(const QString& html);
