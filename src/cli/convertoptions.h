#pragma once

#include "cli/settingoverrides.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>

class AppFolders;

// What one pagelith-convert command line asks for.
struct ConvertOptions
{
    enum class Action { Convert, Help, Version };

    Action action = Action::Convert;
    // Empty: the settings.dat the application folders name.
    QString settingsFile;
    QString outputFolder;
    // One page's file (-O, or -o with a picture, PDF or text file name); "-" is
    // standard output. Empty: files are named in the output folder.
    QString outputFile;
    // "BMP", "JPG", ...; empty: the setting.
    QString format;
    SettingOverrides overrides;
    // "chromium", "qt", or empty for the setting (and then the default).
    QString engine;
    // The Chromium to run; empty for the setting (and then the PATH).
    QString chromiumPath;
    bool json = false;
    bool quiet = false;
    // Pages converted at once, each in a view of its own.
    int jobs = 1;
    static constexpr int MaxJobs = 16;
    QStringList inputs;
};

// Parses the command line into ConvertOptions. A usage error gives false and a
// message for "pagelith-convert: <message>".
class ConvertOptionParser
{
    Q_DECLARE_TR_FUNCTIONS(ConvertOptionParser)

public:
    bool parse(const QStringList& arguments, ConvertOptions* options, QString* error) const;

    // The --help text; `folders` says where this copy keeps its files.
    static QString helpText(const AppFolders& folders);
    static const QStringList& formats();
};
