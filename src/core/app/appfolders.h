#pragma once

#include <QString>
#include <QStringList>

// Where the programs keep the files they write, decided from the folder the
// program runs from. Every front end resolves its files here, so the desktop
// program and pagelith-convert always agree.
//
// A portable copy (a program folder this user may write, such as build/bin)
// keeps everything beside the program, as it always did. An installed copy
// (a program folder this user may not write, or one holding the marker file
// AppFolders::InstalledMarkerFileName that the installation puts there) keeps
//   settings.dat, schedule.dat   in ~/.config/pagelith/
//   temporary files              in ~/.cache/pagelith/
//   default output folder        ~/Pictures/Pagelith (the desktop's pictures folder)
// and reads a settings.dat shipped beside the program as the defaults of every
// key the user's own file has not set. That shipped file is never written.
class AppFolders
{
public:
    // Marks a program folder as an installed copy even for a user who may write
    // it (root, or a user who installed under a prefix of their own), so that an
    // installation is never written into.
    static constexpr const char* InstalledMarkerFileName = "installed-copy";

    explicit AppFolders(const QString& programFolder);

    bool isPortable() const { return m_portable; }
    // The side files (logo, skin, help) and an installed copy's shipped defaults.
    QString programFolder() const { return m_programFolder; }
    QString settingsFile() const;
    QString scheduleFile() const;
    // The shipped settings.dat an installed copy reads beneath the user's file;
    // empty for a portable copy or when none is shipped.
    QString defaultSettingsFile() const;
    // Where "tempimage.bmp" and "WEBtemp.htm" go.
    QString tempFolder() const { return m_tempFolder; }
    // Where the files go when the settings name no output folder. Made by the
    // conversion when first needed.
    QString defaultOutputFolder() const { return m_outputFolder; }

    // Makes the folders settings and temporary files are written to and makes the
    // shipped defaults apply beneath the user's settings file. False, with the
    // reason, when a folder cannot be made.
    bool prepare(QString* error) const;

    // "settings   /home/ann/.config/pagelith/settings.dat" and so on, one line
    // per kind of file, for --help and diagnostics.
    QStringList describe() const;

private:
    QString m_programFolder;
    bool m_portable = true;
    QString m_configFolder;
    QString m_tempFolder;
    QString m_outputFolder;
};
