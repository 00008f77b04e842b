#include "settingskeys.h"

namespace {

SettingKey Key(const QString& section, const QString& name, SettingKind kind,
    const QString& defaultValue = QString(), bool defaultInDialogOnly = false)
{
    return SettingKey { section, name, kind, defaultValue, defaultInDialogOnly };
}

} // namespace

const QList<SettingKey>& AllSettingKeys()
{
    using K = SettingKind;
    const QString& s = SettingsSection::Set;
    const QString& w = SettingsSection::Watermark;
    static const QList<SettingKey> keys = {
        Key(s, QStringLiteral("outputtype"), K::TextWithDefault, QStringLiteral("Image"), true),
        // The conversion compares the stored text itself, so an empty value is BMP there too.
        Key(s, QStringLiteral("outputformat"), K::TextWithDefault, QStringLiteral("BMP"), true),
        Key(s, QStringLiteral("quality"), K::Number),
        Key(s, QStringLiteral("outputfolder"), K::Folder),
        Key(s, QStringLiteral("filename"), K::TextWithDefault, QStringLiteral("webimage"), true),
        Key(s, QStringLiteral("datetime"), K::Flag),
        Key(s, QStringLiteral("fileoption"), K::Choice),
        Key(s, QStringLiteral("existedfile"), K::Choice),
        Key(s, QStringLiteral("timeout"), K::NumberWithDefault, QStringLiteral("60")),
        Key(s, QStringLiteral("delay"), K::NumberWithDefault, QStringLiteral("60")),
        Key(s, QStringLiteral("Scripts"), K::Flag),
        Key(s, QStringLiteral("JAVA"), K::Flag),
        Key(s, QStringLiteral("ActiveX"), K::Flag),
        Key(s, QStringLiteral("Thumbnail"), K::Flag),
        Key(s, QStringLiteral("imagesize"), K::Number),
        Key(w, QStringLiteral("textwatermark"), K::Flag),
        Key(w, QStringLiteral("watertext"), K::Text),
        Key(w, QStringLiteral("Twz"), K::Number),
        Key(w, QStringLiteral("Tx"), K::Text),
        Key(w, QStringLiteral("Ty"), K::Text),
        Key(w, QStringLiteral("Tsize"), K::Text),
        Key(w, QStringLiteral("TQuality"), K::Text),
        Key(w, QStringLiteral("Tfont"), K::Text),
        Key(w, QStringLiteral("TRotate"), K::Text),
        Key(w, QStringLiteral("Ttransparency"), K::Number),
        Key(w, QStringLiteral("textcolor"), K::Colour),
        Key(w, QStringLiteral("imagewatermark"), K::Flag),
        Key(w, QStringLiteral("waterimage"), K::Text),
        Key(w, QStringLiteral("Iwz"), K::Number),
        Key(w, QStringLiteral("Ix"), K::Text),
        Key(w, QStringLiteral("Iy"), K::Text),
        Key(w, QStringLiteral("Itransparency"), K::Colour),
        Key(w, QStringLiteral("IDeviation"), K::Number),
        Key(w, QStringLiteral("IOpacity"), K::Number),
    };
    return keys;
}

const SettingKey* FindSettingKey(const QString& name)
{
    const QString wanted = name.trimmed();
    for (const SettingKey& key : AllSettingKeys()) {
        if (key.name.compare(wanted, Qt::CaseInsensitive) == 0)
            return &key;
    }
    return nullptr;
}

const QStringList& SettingsDialogWriteOrder()
{
    static const QStringList order = {
        QStringLiteral("outputtype"),
        QStringLiteral("outputformat"),
        QStringLiteral("quality"),
        QStringLiteral("outputfolder"),
        QStringLiteral("filename"),
        QStringLiteral("datetime"),
        QStringLiteral("fileoption"),
        QStringLiteral("existedfile"),
        QStringLiteral("timeout"),
        QStringLiteral("delay"),
        QStringLiteral("Scripts"),
        QStringLiteral("JAVA"),
        QStringLiteral("ActiveX"),
        QStringLiteral("Thumbnail"),
        QStringLiteral("imagesize"),
        QStringLiteral("textwatermark"),
        QStringLiteral("watertext"),
        QStringLiteral("Twz"),
        QStringLiteral("Tx"),
        QStringLiteral("Ty"),
        QStringLiteral("Tsize"),
        QStringLiteral("TQuality"),
        QStringLiteral("Tfont"),
        QStringLiteral("TRotate"),
        QStringLiteral("Ttransparency"),
        QStringLiteral("imagewatermark"),
        QStringLiteral("waterimage"),
        QStringLiteral("Iwz"),
        QStringLiteral("Ix"),
        QStringLiteral("Iy"),
        QStringLiteral("IDeviation"),
        QStringLiteral("IOpacity"),
    };
    return order;
}

const QStringList& ImmediatelyWrittenSettingKeys()
{
    static const QStringList keys = { QStringLiteral("textcolor"), QStringLiteral("Itransparency"),
        QStringLiteral("waterimage") };
    return keys;
}
