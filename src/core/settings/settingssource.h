#pragma once

#include <QByteArray>
#include <QString>
#include <memory>

// Where the setting readers (settingreaders.h) take their values from: a
// settings file read at the moment of each read, or a snapshot of it taken once.
// A page takes a snapshot when it starts, so that it is named, captured and
// encoded under the same settings even while the settings dialog saves new ones.
class SettingsSource
{
public:
    SettingsSource() = default;
    // The file, read at each read (see ReadSetting). Implicit: every reader takes
    // a settings file's name as it always has.
    SettingsSource(const QString& file);

    // The file and the defaults file beneath it as they are now, read once; a
    // file that cannot be read then reads as empty.
    static SettingsSource snapshot(const QString& file);

    // The trimmed value, as ReadSetting gives it.
    QString read(const QString& section, const QString& key) const;
    // The settings file's name.
    const QString& file() const { return m_file; }
    bool isSnapshot() const { return m_taken != nullptr; }

private:
    struct Taken
    {
        QByteArray own;
        QByteArray defaults;
    };
    QString m_file;
    // Never changed once taken: copies may be read on any thread.
    std::shared_ptr<const Taken> m_taken;
};
