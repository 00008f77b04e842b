#include "core/settings/settingskeys.h"

#include "core/settings/outputformats.h"

namespace {

using K = SettingKind;
using S = Setting;
using Scope = DefaultScope;
using W = SettingWriter;

SettingKey Key(Setting setting, const QString& section, const QString& name, SettingKind kind,
    const QString& defaultValue = QString(), DefaultScope scope = DefaultScope::Everywhere,
    SettingWriter writer = SettingWriter::DialogOk)
{
    return SettingKey { setting, section, name, kind, defaultValue, scope, writer };
}

QList<SettingKey> MakeTable()
{
    const QString& s = SettingsSection::Set;
    const QString& w = SettingsSection::Watermark;
    const QString& c = SettingsSection::Capture;
    const QList<SettingKey> keys = {
        Key(S::OutputType, s, QStringLiteral("outputtype"), K::TextWithDefault,
            OutputTypeName(OutputType::Image), Scope::DialogOnly),
        // The conversion compares the stored text itself, so an empty value is BMP there too.
        Key(S::OutputFormat, s, QStringLiteral("outputformat"), K::TextWithDefault,
            OutputFormatName(OutputFormat::Bmp), Scope::DialogOnly),
        Key(S::Quality, s, QStringLiteral("quality"), K::Number),
        Key(S::OutputFolder, s, QStringLiteral("outputfolder"), K::Folder),
        // An empty custom name would make hidden files called ".BMP" in the conversion too.
        Key(S::FileName, s, QStringLiteral("filename"), K::TextWithDefault,
            QStringLiteral("webimage")),
        Key(S::DateTime, s, QStringLiteral("datetime"), K::Flag),
        Key(S::FileOption, s, QStringLiteral("fileoption"), K::Choice),
        Key(S::ExistedFile, s, QStringLiteral("existedfile"), K::Choice),
        Key(S::Timeout, s, QStringLiteral("timeout"), K::NumberWithDefault, QStringLiteral("60")),
        Key(S::Delay, s, QStringLiteral("delay"), K::NumberWithDefault, QStringLiteral("60")),
        Key(S::Scripts, s, QStringLiteral("Scripts"), K::Flag),
        Key(S::Java, s, QStringLiteral("JAVA"), K::Flag),
        Key(S::ActiveX, s, QStringLiteral("ActiveX"), K::Flag),
        Key(S::Thumbnail, s, QStringLiteral("Thumbnail"), K::Flag),
        // The thumbnail's percentage; the dialog shows an empty value as no entry.
        Key(S::ImageSize, s, QStringLiteral("imagesize"), K::Number, QStringLiteral("25"),
            Scope::ConversionOnly),
        Key(S::TextWatermark, w, QStringLiteral("textwatermark"), K::Flag),
        Key(S::WaterText, w, QStringLiteral("watertext"), K::Text),
        Key(S::TextPlace, w, QStringLiteral("Twz"), K::Number),
        Key(S::TextX, w, QStringLiteral("Tx"), K::Text),
        Key(S::TextY, w, QStringLiteral("Ty"), K::Text),
        Key(S::TextSize, w, QStringLiteral("Tsize"), K::Text),
        Key(S::TextQuality, w, QStringLiteral("TQuality"), K::Text),
        Key(S::TextFont, w, QStringLiteral("Tfont"), K::Text),
        Key(S::TextRotate, w, QStringLiteral("TRotate"), K::Text),
        Key(S::TextTransparency, w, QStringLiteral("Ttransparency"), K::Number),
        Key(S::TextColor, w, QStringLiteral("textcolor"), K::Colour, QString(), Scope::Everywhere,
            W::Picker),
        Key(S::ImageWatermark, w, QStringLiteral("imagewatermark"), K::Flag),
        Key(S::WaterImage, w, QStringLiteral("waterimage"), K::Text, QString(), Scope::Everywhere,
            W::PickerAndDialogOk),
        Key(S::ImagePlace, w, QStringLiteral("Iwz"), K::Number),
        Key(S::ImageX, w, QStringLiteral("Ix"), K::Text),
        Key(S::ImageY, w, QStringLiteral("Iy"), K::Text),
        Key(S::ImageTransparency, w, QStringLiteral("Itransparency"), K::Colour, QString(),
            Scope::Everywhere, W::Picker),
        Key(S::ImageDeviation, w, QStringLiteral("IDeviation"), K::Number),
        Key(S::ImageOpacity, w, QStringLiteral("IOpacity"), K::Number),
        // The desktop batch's pages converted at once, 1 to 4.
        Key(S::PagesAtOnce, s, QStringLiteral("pagesatonce"), K::NumberWithDefault,
            QStringLiteral("1")),
        // "chromium", "qt", or empty: Chromium when one is installed, else Qt WebEngine.
        Key(S::Engine, c, QStringLiteral("engine"), K::Text),
        // The Chromium to run; empty: the first one on the PATH.
        Key(S::ChromiumPath, c, QStringLiteral("chromium"), K::Text),
        // The window the page is laid out in, CSS pixels.
        Key(S::ViewportWidth, c, QStringLiteral("width"), K::NumberWithDefault,
            QStringLiteral("1024")),
        Key(S::ViewportHeight, c, QStringLiteral("height"), K::NumberWithDefault,
            QStringLiteral("768")),
        // Image pixels per CSS pixel, 1 to 4 (a fraction too).
        Key(S::Scale, c, QStringLiteral("scale"), K::NumberWithDefault, QStringLiteral("1")),
        // Only the first screen, the window's size, instead of the whole page.
        Key(S::ViewportOnly, c, QStringLiteral("viewport-only"), K::Flag),
        // A CSS selector: the picture is the box of the first element it matches.
        Key(S::Selector, c, QStringLiteral("selector"), K::Text),
        // A CSS selector the page must show before it is captured (within the time-out).
        Key(S::WaitFor, c, QStringLiteral("wait-for"), K::Text),
        // Milliseconds waited once the page is still, before its capture.
        Key(S::ExtraWait, c, QStringLiteral("wait"), K::Number),
        // CSS selectors (a selector list) of elements hidden before the capture.
        Key(S::Hide, c, QStringLiteral("hide"), K::Text),
        Key(S::HideCookieBanners, c, QStringLiteral("hide-cookie-banners"), K::Flag),
        // The browser's name as pages see it; empty: the browser's own.
        Key(S::UserAgent, c, QStringLiteral("user-agent"), K::Text),
        // "light" or "dark" for prefers-color-scheme; empty: the browser's own.
        Key(S::ColorScheme, c, QStringLiteral("color-scheme"), K::Text),
        // "print" or "screen"; empty: screen.
        Key(S::Media, c, QStringLiteral("media"), K::Text),
        // Which addresses may be converted: "web", "local" or "any" (empty: any).
        Key(S::Inputs, c, QStringLiteral("inputs"), K::Text),
        // The PDF's page: a paper name or WIDTHxHEIGHT (see pdfpagesetup.h), turned
        // for landscape, a CSS length of margin on each side, the pages' backgrounds
        // (on unless "0") and a header and footer with the page number.
        Key(S::PdfPaper, c, QStringLiteral("pdf-paper"), K::TextWithDefault, QStringLiteral("A4")),
        Key(S::PdfLandscape, c, QStringLiteral("pdf-landscape"), K::Flag),
        Key(S::PdfMargin, c, QStringLiteral("pdf-margin"), K::TextWithDefault,
            QStringLiteral("10mm")),
        Key(S::PdfBackground, c, QStringLiteral("pdf-background"), K::TextWithDefault,
            QStringLiteral("1")),
        Key(S::PdfHeaderFooter, c, QStringLiteral("pdf-header-footer"), K::Flag),
        // Extra request headers, "Name: value", several separated by tabs.
        Key(S::Header, c, QStringLiteral("header"), K::Text),
        // With 1 the headers go to every site a page takes a part from; by default
        // only to the page's own (a bearer token is the page's, not a tracker's).
        Key(S::HeaderEverywhere, c, QStringLiteral("header-everywhere"), K::Flag),
        // A cookies.txt file (Netscape format) whose cookies the pages are sent.
        Key(S::Cookies, c, QStringLiteral("cookies"), K::Text),
        // HTTP authentication for the page's own site: "user:password", or a file
        // whose first line holds that.
        Key(S::Auth, c, QStringLiteral("auth"), K::Text),
        Key(S::AuthFile, c, QStringLiteral("auth-file"), K::Text),
        // The proxy every request goes through: "scheme://host:port"; empty: none.
        Key(S::Proxy, c, QStringLiteral("proxy"), K::Text),
        Key(S::IgnoreHttpsErrors, c, QStringLiteral("ignore-https-errors"), K::Flag),
        // A JavaScript file and a CSS file put into each page before its capture.
        Key(S::JavaScript, c, QStringLiteral("javascript"), K::Text),
        Key(S::Style, c, QStringLiteral("style"), K::Text),
        // Markdown of everything the page holds, its navigation, hidden elements and
        // banners included (scripts and styles are never text).
        Key(S::MarkdownAll, c, QStringLiteral("markdown-all"), K::Flag),
    };
    // KeyOf() indexes by the enum.
    Q_ASSERT(keys.size() == SettingCount);
    for (qsizetype i = 0; i < keys.size(); ++i)
        Q_ASSERT(keys.at(i).setting == Setting(i));
    return keys;
}

} // namespace

const QList<SettingKey>& AllSettingKeys()
{
    static const QList<SettingKey> keys = MakeTable();
    return keys;
}

const SettingKey& KeyOf(Setting setting)
{
    return AllSettingKeys().at(int(setting));
}

std::optional<Setting> FindSetting(const QString& name)
{
    const QString wanted = name.trimmed();
    for (const SettingKey& key : AllSettingKeys()) {
        if (key.name.compare(wanted, Qt::CaseInsensitive) == 0)
            return key.setting;
    }
    return std::nullopt;
}

QList<Setting> SettingsDialogWriteOrder()
{
    QList<Setting> order;
    for (const SettingKey& key : AllSettingKeys()) {
        if (key.writer != SettingWriter::Picker)
            order << key.setting;
    }
    return order;
}

std::optional<SettingRange> DocumentedRange(Setting setting)
{
    // A day, as the time-out is read (MaxTimeoutSeconds).
    constexpr double Day = 24 * 60 * 60;
    switch (setting) {
    case Setting::Quality:
    case Setting::ImageSize:
    case Setting::TextTransparency:
    case Setting::ImageOpacity:
        return SettingRange { 1, 100 };
    case Setting::Timeout:
    case Setting::Delay:
        return SettingRange { 0, Day };
    case Setting::TextPlace:
    case Setting::ImagePlace:
        return SettingRange { 0, 4 };
    case Setting::ImageDeviation:
        return SettingRange { 0, 255 };
    case Setting::TextColor:
    case Setting::ImageTransparency:
        return SettingRange { 0, 0xffffff };
    // As the capture options are read (CaptureOptions' bounds).
    case Setting::ViewportWidth:
    case Setting::ViewportHeight:
        return SettingRange { 100, 10000 };
    case Setting::Scale:
        return SettingRange { 1, 4 };
    case Setting::ExtraWait:
        return SettingRange { 0, 3600 * 1000 };
    default:
        return std::nullopt;
    }
}

QStringList DocumentedChoices(Setting setting)
{
    switch (setting) {
    case Setting::Engine:
        return { QStringLiteral("chromium"), QStringLiteral("qt") };
    case Setting::ColorScheme:
        return { QStringLiteral("light"), QStringLiteral("dark") };
    case Setting::Media:
        return { QStringLiteral("print"), QStringLiteral("screen") };
    case Setting::Inputs:
        return { QStringLiteral("web"), QStringLiteral("local"), QStringLiteral("any") };
    default:
        return {};
    }
}
