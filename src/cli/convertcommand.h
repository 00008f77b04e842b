#pragma once

#include <QString>
#include <QStringList>

class QTextStream;

// pagelith-convert [options] INPUT...
//
// Converts web addresses, local HTML files and the addresses of .ulf list files,
// one page at a time, with the settings of settings.dat in the application folder
// (or --settings FILE), and prints one line per page and a summary:
//   1/2 OK 0.84 s file:///tmp/a.html -> /out/webimage.jpg
//   2/2 FAILED 0.12 s http://host/x: Server error - you may be able to try again
//   2 pages: 1 written, 1 failed, 0.96 s
// Exit codes: 0 every page written, 1 any page failed, 2 a usage error.
//
// run() needs a QApplication; it returns when every page has ended.
class ConvertCommand
{
public:
    enum ExitCode { AllWritten = 0, SomeFailed = 1, UsageError = 2 };

    explicit ConvertCommand(const QString& applicationFolder);

    int run(const QStringList& arguments, QTextStream& out, QTextStream& err);

private:
    bool collectAddresses(
        const QStringList& inputs, QStringList* addresses, QTextStream& err) const;

    QString m_applicationFolder;
};
