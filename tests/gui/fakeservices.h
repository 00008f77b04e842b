#pragma once

// Stand-ins for the outside world of the desktop application, shared by the
// GUI tests: they record what the program would have shown or opened.

#include "gui/app/appshell.h"
#include "gui/desktop/urlopener.h"
#include "gui/dialogs/filedialogs.h"
#include "recordingpresenter.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QList>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>
#include <memory>

class RecordingOpener : public UrlOpener
{
public:
    bool open(const QUrl& url) override
    {
        opened.append(url);
        return succeeds;
    }
    bool opensFolders() override { return hasFileManager; }

    QList<QUrl> opened;
    bool succeeds = true;
    bool hasFileManager = true;
};

// Answers the file dialogs with prepared names; an empty answer is a cancel.
// Records where each dialog would have opened.
class ScriptedFileDialogs : public FileDialogs
{
public:
    QString saveFileName(
        QWidget*, const QString& title, const QString& folder, const QString& filter) override
    {
        record(title, folder, filter);
        return saveAnswer;
    }
    QString openFileName(
        QWidget*, const QString& title, const QString& folder, const QString& filter) override
    {
        record(title, folder, filter);
        return openAnswer;
    }
    QStringList openFileNames(
        QWidget*, const QString& title, const QString& folder, const QString& filter) override
    {
        record(title, folder, filter);
        return openAnswers;
    }
    void record(const QString& title, const QString& folder, const QString& filter)
    {
        titles.append(title);
        folders.append(folder);
        filters.append(filter);
    }

    QString saveAnswer;
    QString openAnswer;
    QStringList openAnswers;
    QStringList titles;
    QStringList folders;
    QStringList filters;
};

// An application folder with a logo, and a shell started on it with the
// recording services.
class ShellFixture
{
public:
    explicit ShellFixture(bool trayAvailable = false, bool withLogo = true)
    {
        if (withLogo) {
            QImage logo(8, 8, QImage::Format_RGB32);
            logo.fill(Qt::blue);
            logo.save(folder.filePath(QStringLiteral("logo.jpg")), "JPG");
        }
        ShellServices services;
        services.messages = &messages;
        services.opener = &opener;
        services.fileDialogs = &dialogs;
        services.trayAvailable = [trayAvailable] { return trayAvailable; };
        services.quit = [this] { ++quitCount; };
        shell = std::make_unique<AppShell>(folder.path(), services);
    }

    QString path(const QString& name) const { return folder.filePath(name); }

    void writeFile(const QString& name, const QByteArray& bytes) const
    {
        QFile file(path(name));
        if (file.open(QIODevice::WriteOnly))
            file.write(bytes);
    }

    // The output format the list shows for new rows.
    void setOutputFormat(const QString& format) const
    {
        writeFile(QStringLiteral("settings.dat"),
            "[set]\r\noutputformat=" + format.toLocal8Bit() + "\r\n");
    }

    QTemporaryDir folder;
    RecordingPresenter messages;
    RecordingOpener opener;
    ScriptedFileDialogs dialogs;
    int quitCount = 0;
    std::unique_ptr<AppShell> shell;
};
