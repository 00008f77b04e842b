#pragma once

#include <QString>
#include <QStringList>

// The script that writes the page's content as Markdown in the page itself: Debian's
// Turndown (node-turndown) with our rules for tables, struck text and bare
// preformatted text. It runs in the page's DOM as the capture left it, in a world
// of its own, and changes nothing in the page.
namespace MarkdownScript {

// Where the converter is read from (node-turndown's ES build).
QString converterPath();

// The script, an expression whose value is the Markdown text. Without `keepAll`,
// scripts, styles, hidden elements, the page's navigation chrome (nav, header,
// footer, aside and their roles), its controls and its cookie banners (those
// `bannerSelectors` name, and fixed boxes that ask about cookies) are left out;
// with it only scripts and styles are. False with the reason when the converter
// cannot be read.
bool build(bool keepAll, const QStringList& bannerSelectors, QString* script, QString* error);

} // namespace MarkdownScript
