#pragma once

#include <QString>

class QCommandLineParser;
struct ConvertOptions;

// Parts of the command line read apart from the rest, from a parser that knows
// every option of pagelith-convert. Each gives false with a usage error.

// The request options (--header, --cookies, --auth, --auth-file, --proxy,
// --proxy-file, --javascript, --style, --ignore-https-errors) into their
// [capture] keys, each checked now: a file that cannot be used or a value that
// cannot be sent is a usage error, not a page that fails later. No message
// repeats a password.
bool ReadRequestOptions(const QCommandLineParser& parser, ConvertOptions* options, QString* error);

// -O FILE, or -o NAME.EXT for one input: the page's file itself, its format the
// extension's unless -f names one.
bool ReadOutputFile(const QCommandLineParser& parser, ConvertOptions* options, QString* error);
