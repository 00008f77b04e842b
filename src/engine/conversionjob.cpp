#include "conversionjob.h"

#include "app/appinfo.h"
#include "capturescripts.h"
#include "imaging/imageencoder.h"
#include "imaging/thumbnailwriter.h"
#include "imaging/watermark.h"
#include "loaderror.h"
#include "naming/outputnaming.h"
#include "pagecapturer.h"
#include "pdfwriter.h"
#include "settings/inifile.h"
#include "settings/settingreaders.h"
#include "text/htmltotext.h"
#include "text/localeencoding.h"
#include "waitlimits.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QSaveFile>
#include <QTimer>
#include <QWebEnginePage>
#include <cmath>

namespace {

const QString SetSection = QStringLiteral("set");
const QString WatermarkSection = QStringLiteral("watermark");

struct FinalFormat
{
    const char* name;
    const char* extension;
};

// Tested in this order, case included; the first match decides.
constexpr FinalFormat FinalFormats[] = { { "JPG", "jpg" }, { "GIF", "gif" }, { "TIFF", "tiff" },
    { "PNG", "png" }, { "PDF", "pdf" }, { "TXT", "txt" } };

bool fileExists(const QString& path)
{
    return QFileInfo::exists(path);
}

bool writeWhole(const QString& path, const QByteArray& bytes, QString* error)
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    *error = QStringLiteral("Cannot write %1: %2")
                 .arg(QDir::toNativeSeparators(path), file.errorString());
    return false;
}

bool copyWhole(const QString& from, const QString& to, QString* error)
{
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("Cannot read %1: %2")
                     .arg(QDir::toNativeSeparators(from), source.errorString());
        return false;
    }
    return writeWhole(to, source.readAll(), error);
}

} // namespace

ConversionJob::ConversionJob(
    const ConversionRequest& request, PageCapturer* capturer, QObject* parent)
    : QObject(parent)
    , m_request(request)
    , m_capturer(capturer)
{
    if (!m_capturer) {
        m_ownCapturer = std::make_unique<PageCapturer>();
        m_capturer = m_ownCapturer.get();
    }
    const QString tempFolder
        = m_request.tempFolder.isEmpty() ? m_request.applicationFolder : m_request.tempFolder;
    m_tempImagePath = AppInfo::pathIn(tempFolder, QString::fromLatin1(AppInfo::TempImageFileName));
    m_tempHtmlPath = AppInfo::pathIn(tempFolder, QString::fromLatin1(AppInfo::TempHtmlFileName));
}

ConversionJob::~ConversionJob()
{
    for (const QMetaObject::Connection& c : std::as_const(m_connections))
        disconnect(c);
    if (!m_finished && m_capturer)
        m_capturer->abort();
}

QUrl ConversionJob::addressToUrl(const QString& address)
{
    const QString trimmed = address.trimmed();
    const QFileInfo file(trimmed);
    if (file.isAbsolute() && file.exists())
        return QUrl::fromLocalFile(file.absoluteFilePath());
    return QUrl::fromUserInput(trimmed, QDir::currentPath(), QUrl::AssumeLocalFile);
}

void ConversionJob::start()
{
    m_elapsed.start();
    // The answer never arrives inside start(): callers connect first, then start.
    QTimer::singleShot(0, this, &ConversionJob::begin);
}

void ConversionJob::begin()
{
    m_connections << connect(m_capturer, &PageCapturer::captured, this, &ConversionJob::onCaptured);
    m_connections << connect(
        m_capturer, &PageCapturer::failed, this, [this](const QString& reason) { fail(reason); });
    m_connections << connect(
        m_capturer, &PageCapturer::statusText, this, &ConversionJob::statusText);
    if (m_request.convertsView || m_request.view) {
        if (!m_request.view) {
            fail(QStringLiteral("The browser window was closed before its page was converted"));
            return;
        }
        m_capturer->captureView(m_request.view.data());
        return;
    }
    const QUrl url = addressToUrl(m_request.address);
    if (!url.isValid() || m_request.address.trimmed().isEmpty()) {
        fail(QStringLiteral("Not a valid address: %1").arg(m_request.address));
        return;
    }
    // A "javascript:" address would run in the page of the one before.
    if (const QString reason = NotConvertibleReason(url); !reason.isEmpty()) {
        fail(reason);
        return;
    }
    m_capturer->captureUrl(url, TimeoutSecondsSetting(settingsFile()));
}

void ConversionJob::onCaptured(const QImage& image)
{
    m_note = m_capturer->note();
    QWebEnginePage* page = m_capturer->page();
    // A view converted as it stands is named after the address its window
    // shows the user (the browser window's address box), which may be typed
    // text the view never loaded; a loaded page after the address it ended on.
    m_pageAddress = (page && !m_request.view) ? page->url().toString() : m_request.address;
    if (!writeImageFiles(image))
        return;
    writeFinalFile();
}

bool ConversionJob::writeImageFiles(const QImage& image)
{
    const QString folder = !m_request.outputFolderOverride.isEmpty()
        ? m_request.outputFolderOverride
        : OutputFolderSetting(settingsFile(), m_request.applicationFolder);
    if (!QDir().mkpath(folder)) {
        fail(QStringLiteral("Cannot create the output folder %1")
                 .arg(QDir::toNativeSeparators(folder)));
        return false;
    }

    // An empty custom name would make hidden files called ".BMP"; the name the
    // settings dialog offers stands in for it.
    const QString fileName = ReadTextSetting(
        settingsFile(), SetSection, QStringLiteral("filename"), QStringLiteral("webimage"));
    const bool dateTime = ReadFlagSetting(settingsFile(), SetSection, QStringLiteral("datetime"));
    m_addNumber = ReadChoiceSetting(settingsFile(), SetSection, QStringLiteral("existedfile")) == 0;
    const bool customName
        = ReadChoiceSetting(settingsFile(), SetSection, QStringLiteral("fileoption")) == 0;
    const QDateTime now = m_request.clock ? m_request.clock() : QDateTime::currentDateTime();
    const QString basePath
        = BitmapBasePath(folder, customName, fileName, dateTime, now, m_pageAddress);
    m_quality = int(
        std::nearbyint(ReadLeadingNumber(settingsFile(), SetSection, QStringLiteral("quality"))));
    m_bitmapPath = NumberedBitmapPath(basePath, m_addNumber, fileExists);

    QString error;
    if (!SaveImageFile(image, m_tempImagePath, QStringLiteral("bmp"), 100, 24, 6, &error)) {
        fail(QStringLiteral("Cannot write %1").arg(QDir::toNativeSeparators(m_tempImagePath)),
            error);
        return false;
    }
    m_capture = image;
    const bool textStamp
        = ReadFlagSetting(settingsFile(), WatermarkSection, QStringLiteral("textwatermark"));
    if (textStamp
        && !ApplyTextWatermark(settingsFile(), m_tempImagePath, m_tempImagePath, &error)) {
        fail(QStringLiteral("Text watermark: %1").arg(error));
        return false;
    }
    const bool pictureStamp
        = ReadFlagSetting(settingsFile(), WatermarkSection, QStringLiteral("imagewatermark"));
    m_stamped = textStamp || pictureStamp;
    if (pictureStamp
        && !ApplyPictureWatermark(settingsFile(), m_tempImagePath, m_tempImagePath, &error)) {
        fail(QStringLiteral("Picture watermark: %1").arg(error));
        return false;
    }
    if (!copyWhole(m_tempImagePath, m_bitmapPath, &error)) {
        fail(error);
        return false;
    }
    m_written << m_bitmapPath;
    if (ReadFlagSetting(settingsFile(), SetSection, QStringLiteral("Thumbnail"))) {
        const QString thumbnail = ThumbnailPathFor(m_bitmapPath);
        if (!WriteThumbnail(settingsFile(), m_bitmapPath, thumbnail, &error)) {
            fail(QStringLiteral("Thumbnail: %1").arg(error));
            return false;
        }
        m_written.prepend(thumbnail);
    }
    return true;
}

void ConversionJob::writeFinalFile()
{
    const QString format = !m_request.formatOverride.isEmpty()
        ? m_request.formatOverride
        : ReadSetting(settingsFile(), SetSection, QStringLiteral("outputformat"));
    const FinalFormat* chosen = nullptr;
    for (const FinalFormat& candidate : FinalFormats) {
        if (format == QLatin1String(candidate.name)) {
            chosen = &candidate;
            break;
        }
    }
    if (!chosen) {
        // Any other value, "BMP" included: the bitmap copy is the output.
        m_keepBitmap = true;
        succeed();
        return;
    }
    const QString extension = QString::fromLatin1(chosen->extension);
    m_outputPath = FinalOutputPath(m_bitmapPath, extension, m_addNumber, fileExists);
    if (extension == QLatin1String("pdf")) {
        writePdf();
        return;
    }
    if (extension == QLatin1String("txt")) {
        writeText();
        return;
    }
    // Without watermarks the bitmap holds the capture as it came: no need to read it
    // back. A tall page's bitmap is larger than Qt's default reading limit.
    QImage picture = m_capture;
    if (m_stamped) {
        QImageReader reader(m_bitmapPath);
        reader.setAllocationLimit(0);
        picture = reader.read();
    }
    m_capture = QImage();
    const int quality = extension == QLatin1String("tiff") ? 80 : m_quality;
    QString error;
    if (!SaveImageFile(picture, m_outputPath, extension, quality, 24, 6, &error)) {
        fail(QStringLiteral("Cannot write %1").arg(QDir::toNativeSeparators(m_outputPath)), error);
        return;
    }
    m_written << m_outputPath;
    succeed();
}

void ConversionJob::writePdf()
{
    // The file name may come from typed text ("example.com", a bare path); the
    // page printed is the one actually shown or loaded.
    QUrl address;
    if (m_request.convertsView || m_request.view) {
        if (!m_request.view) {
            fail(QStringLiteral("The browser window was closed before its page was converted"));
            return;
        }
        address = m_request.view->url();
    } else {
        address = addressToUrl(m_pageAddress);
    }
    emit statusText(QStringLiteral("Printing %1").arg(m_pageAddress));
    WritePdfFile(address, m_outputPath, TimeoutSecondsSetting(settingsFile()), this,
        [this](bool ok, const QString& error) {
            if (!ok) {
                fail(QStringLiteral("PDF: %1").arg(error));
                return;
            }
            m_written << m_outputPath;
            succeed();
        });
}

void ConversionJob::writeText()
{
    QWebEnginePage* page = m_capturer->page();
    if (!page) {
        fail(QStringLiteral("The page is gone"));
        return;
    }
    QPointer<ConversionJob> self(this);
    // A renderer that hangs or dies after the capture never answers.
    QTimer::singleShot(WaitLimitMs(TimeoutSecondsSetting(settingsFile())), this, [self] {
        if (!self || self->m_finished)
            return;
        // Its renderer is stuck: the next page must not meet it.
        self->m_capturer->discardPage();
        self->fail(QStringLiteral("The page stopped responding before its text was read"));
    });
    page->runJavaScript(CaptureScripts::bodyHtml(), [self](const QVariant& value) {
        if (!self || self->m_finished)
            return;
        QString error;
        // The body's HTML goes through "WEBtemp.htm" in the locale's encoding, so
        // the text holds only what that encoding can carry.
        if (!writeWhole(self->m_tempHtmlPath,
                EncodeLocaleText(value.toString() + QStringLiteral("\r\n")), &error)) {
            self->fail(error);
            return;
        }
        QFile temp(self->m_tempHtmlPath);
        if (!temp.open(QIODevice::ReadOnly)) {
            self->fail(QStringLiteral("Cannot read %1")
                           .arg(QDir::toNativeSeparators(self->m_tempHtmlPath)));
            return;
        }
        const QString text = HtmlToText(DecodeLocaleText(temp.readAll()));
        if (!writeWhole(self->m_outputPath, EncodeLocaleText(text), &error)) {
            self->fail(error);
            return;
        }
        self->m_written << self->m_outputPath;
        self->succeed();
    });
}

void ConversionJob::succeed()
{
    if (!m_keepBitmap) {
        QFile::remove(m_bitmapPath);
        m_written.removeAll(m_bitmapPath);
    }
    ConversionResult result;
    result.ok = true;
    result.reason = m_note;
    result.filesWritten = m_written;
    finish(result);
}

void ConversionJob::fail(const QString& reason, const QString& encoderMessage)
{
    // What this page wrote is no output of a failed page; the bitmap copy and the
    // thumbnail only exist for the final file.
    for (const QString& path : std::as_const(m_written))
        QFile::remove(path);
    ConversionResult result;
    result.ok = false;
    result.reason = reason;
    result.encoderMessage = encoderMessage;
    finish(result);
}

void ConversionJob::finish(ConversionResult result)
{
    if (m_finished)
        return;
    m_finished = true;
    for (const QMetaObject::Connection& c : std::as_const(m_connections))
        disconnect(c);
    m_connections.clear();
    // Page-finished steps: the temporary files go whatever happened.
    QFile::remove(m_tempImagePath);
    QFile::remove(m_tempHtmlPath);
    result.seconds = m_elapsed.isValid() ? m_elapsed.elapsed() / 1000.0 : 0.0;
    emit finished(result);
}
