#include "engine/output/pagefilewriter.h"

#include "core/files/fileerror.h"
#include "core/files/filelinks.h"
#include "core/files/partialfiles.h"
#include "core/files/stagedfiles.h"
#include "core/files/wholefile.h"
#include "core/imaging/bitmappng.h"
#include "core/imaging/imageencoder.h"
#include "core/imaging/thumbnailwriter.h"
#include "core/imaging/watermark.h"
#include "core/naming/outputnaming.h"
#include "core/settings/outputformats.h"
#include "core/settings/settingreaders.h"
#include "core/text/htmltotext.h"
#include "core/text/localeencoding.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QMutex>
#include <QSet>

namespace {

double Lap(QElapsedTimer& clock)
{
    return clock.restart() / 1000.0;
}

// Where `target` is on disk now: its staged name while the page is unfinished.
QString OnDisk(const PageFilesOutcome& out, const QString& target)
{
    for (const auto& [staged, final] : out.staged) {
        if (final == target)
            return staged;
    }
    return target;
}

// Removes the file at `path`; a page without such a file has an empty path,
// which Qt would warn of on the terminal.
void RemoveIfNamed(const QString& path)
{
    if (!path.isEmpty())
        QFile::remove(path);
}

// A failed page: its own files go, and files it would have replaced stay.
void DiscardFiles(PageFilesOutcome* out)
{
    for (const QString& path : std::as_const(out->written))
        QFile::remove(OnDisk(*out, path));
    for (const auto& pair : std::as_const(out->staged))
        QFile::remove(pair.first);
    out->written.clear();
    out->staged.clear();
}

// The bitmap copy of a page whose final file is another: it never takes its name.
void DropBitmap(PageFilesOutcome* out)
{
    if (!out->bitmapPath.isEmpty())
        RemoveIfNamed(OnDisk(*out, out->bitmapPath));
    out->staged.removeIf(
        [out](const QPair<QString, QString>& pair) { return pair.second == out->bitmapPath; });
    out->written.removeAll(out->bitmapPath);
}

// A page that succeeded: staged files take their places, the final file first,
// all or nothing: when one cannot take its place, those before it are put back
// and the page fails with nothing of it under a name.
bool CommitFiles(PageFilesOutcome* out)
{
    const QList<StagedFile> lastFirst(out->staged.crbegin(), out->staged.crend());
    QString failedName;
    int code = 0;
    if (!CommitStagedFiles(lastFirst, &failedName, &code)) {
        out->ok = false;
        out->reason = FileErrorText(QStringLiteral("write"), failedName, SystemErrorText(code));
        DiscardFiles(out);
        return false;
    }
    out->staged.clear();
    return true;
}

// Ends a page: its files committed or discarded, the bitmap copy removed unless it
// is the output, the temporary files removed whatever happened.
void EndPage(const PageFilesInput& in, PageFilesOutcome* out, bool keepBitmap)
{
    if (!out->ok) {
        DiscardFiles(out);
    } else {
        if (!keepBitmap)
            DropBitmap(out);
        CommitFiles(out);
    }
    RemoveIfNamed(in.tempImagePath);
    RemoveIfNamed(in.tempHtmlPath);
}

// What a killed run left in the output folder goes, once per folder and process:
// each page does not need to list the folder again.
void RemoveStalePartialFilesOnce(const QString& folder)
{
    static QMutex mutex;
    static QSet<QString> done;
    const QMutexLocker lock(&mutex);
    if (!done.contains(folder)) {
        done.insert(folder);
        RemoveStalePartialFiles(folder);
    }
}

class Writer
{
public:
    explicit Writer(PageFilesInput& in)
        : m_in(in)
    {
    }

    PageFilesOutcome run()
    {
        m_clock.start();
        if (writeImageFiles() && writeFinalFile())
            m_out.ok = true;
        // Whole now, but nobody will report it: an abandoned page leaves no file.
        if (m_out.ok && !m_in.control->handOver())
            fail(QStringLiteral("Abandoned"));
        if (!m_out.pdfPath.isEmpty() && m_out.ok)
            return m_out; // the caller prints, then ends the page
        end();
        return m_out;
    }

private:
    const SettingsSource& settings() const { return m_in.settings; }

    // Where to write `target`: a hidden name beside it until the page succeeds
    // (see partialfiles.h), so that neither a failed page nor a killed run leaves
    // anything under the name, and a file it replaces stays whole until then.
    QString stage(const QString& target)
    {
        // Only a file is replaced: anything else in the way (a folder) fails the
        // writer itself, with its own report, as before.
        const QFileInfo info(target);
        if ((info.exists() || info.isSymLink()) && !info.isFile())
            return target;
        const QString staged = PartialFileName(target);
        m_out.staged.append({ staged, target });
        return staged;
    }

    // Where to write a name claimed for this page: its hidden file.
    QString stageClaimed(const OutputClaim& claim)
    {
        if (!claim.placeholder)
            return stage(claim.path);
        m_out.staged.append({ claim.partial, claim.path });
        return claim.partial;
    }

    // Checked between the steps; the encoders look at it between rows.
    bool abandoned()
    {
        if (!m_in.control->stopped())
            return false;
        fail(QStringLiteral("Abandoned"));
        return true;
    }

    // Every name this page writes under is its own from here on: a later page
    // may claim its names and encode beside it. Only numbered names are claimed;
    // without numbers two pages could write the same hidden file at once, so the
    // next page then waits for this one's end.
    void namesTaken()
    {
        const std::function<void()> then = std::exchange(m_in.namesTaken, nullptr);
        if (then && m_addNumber)
            then();
    }

    bool fail(const QString& reason, const QString& encoderMessage = QString())
    {
        m_out.ok = false;
        m_out.reason = reason;
        m_out.encoderMessage = encoderMessage;
        // Named by the names the user will look for, not the hidden ones.
        for (const auto& [staged, final] : std::as_const(m_out.staged)) {
            m_out.reason.replace(staged, final);
            m_out.encoderMessage.replace(staged, final);
        }
        // A full disk is said in one line, whatever the format: the encoder's
        // fault text around it adds nothing a user could act on.
        if (encoderMessage.contains(DiskFullText)) {
            m_out.reason += QStringLiteral(": ") + DiskFullText;
            m_out.encoderMessage.clear();
        }
        return false;
    }

    bool writeImageFiles()
    {
        const QString folder = m_in.outputFolder;
        if (!QDir().mkpath(folder))
            return fail(QStringLiteral("Cannot create the output folder %1")
                            .arg(QDir::toNativeSeparators(folder)));
        RemoveStalePartialFilesOnce(folder);
        // An empty custom name would make hidden files called ".BMP"; the name the
        // settings dialog offers stands in for it.
        const QString fileName = ReadTextSetting(settings(), Setting::FileName);
        const bool dateTime = ReadFlagSetting(settings(), Setting::DateTime);
        m_addNumber = ReadChoiceSetting(settings(), Setting::ExistedFile) == 0;
        const bool customName = ReadChoiceSetting(settings(), Setting::FileOption) == 0;
        const QString basePath
            = BitmapBasePath(folder, customName, fileName, dateTime, m_in.now, m_in.pageAddress);
        m_quality = QualitySetting(settings());
        const std::optional<OutputFormat> chosen = FindOutputFormat(m_in.format);
        m_bitmapIsOutput = !chosen || *chosen == OutputFormat::Bmp;
        if (m_bitmapIsOutput) {
            // Taken on disk at once, so that another page or run writing into the
            // same folder meanwhile takes the next number.
            const OutputClaim bitmap = ClaimBitmapPath(basePath, m_addNumber);
            if (bitmap.path.isEmpty())
                return fail(bitmap.error);
            m_out.bitmapPath = bitmap.path;
            m_bitmapFile = stageClaimed(bitmap);
        } else {
            // The bitmap copy of any other format is "tempimage.bmp" itself, in the
            // temporary folder: a copy in the output folder would only cost room
            // there (a nearly full folder refused the copy, though the final file
            // would fit) and give another run's page a numbered name while it stood.
            // Its name is still the base of the final file's.
            m_nameBase = FreeBitmapPath(basePath, m_addNumber);
            m_bitmapFile = m_in.tempImagePath;
        }

        QString error;
        const bool textStamp = ReadFlagSetting(settings(), Setting::TextWatermark);
        const bool pictureStamp = ReadFlagSetting(settings(), Setting::ImageWatermark);
        m_stamped = textStamp || pictureStamp;
        // "tempimage.bmp" is deleted when the page ends: it is left to the system's
        // cache, and a page's files are seldom on the disk before they are gone.
        if (!SaveImageFiles(m_in.image, { m_in.tempImagePath },
                OutputFormatInfoOf(OutputFormat::Bmp).extension, ImageEncoding::BestQuality,
                ImageEncoding::RgbDepth, ImageEncoding::TiffUncompressed, &error,
                ImageFileCommit::Scratch, m_in.control->stop()))
            return !abandoned()
                && fail(QStringLiteral("Cannot write %1")
                            .arg(QDir::toNativeSeparators(m_in.tempImagePath)),
                    error);
        // A PNG is made from the bitmap a band of rows at a time: the picture is not
        // held while the next page is captured.
        if (FindOutputFormat(m_in.format) == OutputFormat::Png)
            m_in.image = QImage();
        if (abandoned())
            return false;
        if (textStamp
            && !ApplyTextWatermark(settings(), m_in.tempImagePath, m_in.tempImagePath, &error))
            return fail(QStringLiteral("Text watermark: %1").arg(error));
        if (pictureStamp
            && !ApplyPictureWatermark(
                settings(), m_in.tempImagePath, m_in.tempImagePath, &error, &m_out.remark))
            return fail(QStringLiteral("Picture watermark: %1").arg(error));
        if (abandoned())
            return false;
        if (!m_bitmapIsOutput) {
            m_out.times.intermediate = Lap(m_clock);
            return true;
        }
        // The bitmap copy is byte for byte "tempimage.bmp" as it now stands: a second
        // name for the same file where the folders share a file system, which costs
        // no writing at all, else a copy.
        if (!LinkFileAs(m_in.tempImagePath, m_bitmapFile)
            && !CopyWholeFile(m_in.tempImagePath, m_bitmapFile, &error))
            return fail(error);
        m_out.written << m_out.bitmapPath;
        m_out.times.intermediate = Lap(m_clock);
        return true;
    }

    // Named after the file it shows, so it is made once that file's name is taken:
    // in numbering mode each page keeps its own.
    bool writeThumbnail(const QString& imagePath)
    {
        if (!ReadFlagSetting(settings(), Setting::Thumbnail))
            return true;
        QString error;
        // Claimed as the picture's name is: a file of that name is not replaced in
        // numbering mode.
        const OutputClaim thumbnail = ClaimThumbnailPath(imagePath, m_addNumber);
        if (thumbnail.path.isEmpty())
            return fail(QStringLiteral("Thumbnail: %1").arg(thumbnail.error));
        if (!WriteThumbnail(settings(), m_bitmapFile, stageClaimed(thumbnail), &error))
            return fail(QStringLiteral("Thumbnail: %1").arg(error));
        m_out.written.prepend(thumbnail.path);
        m_out.times.intermediate += Lap(m_clock);
        return true;
    }

    bool writeFinalFile()
    {
        if (abandoned())
            return false;
        // Compared case included: any other value, "BMP" and "jpg" included, makes
        // the bitmap copy the output, as durable as any other output file.
        const std::optional<OutputFormat> chosen = FindOutputFormat(m_in.format);
        if (m_bitmapIsOutput) {
            namesTaken();
            m_keepBitmap = true;
            FlushFileToDisk(m_bitmapFile);
            return writeThumbnail(m_out.bitmapPath);
        }
        const OutputFormatInfo& format = OutputFormatInfoOf(*chosen);
        const QString extension = format.extension;
        const OutputClaim output = ClaimFinalOutputPath(m_nameBase, extension, m_addNumber);
        if (output.path.isEmpty())
            return fail(output.error);
        const QString outputPath = output.path;
        const QString file = stageClaimed(output);
        if (!writeThumbnail(outputPath) || abandoned())
            return false;
        if (format.type == OutputType::Pdf) {
            m_out.pdfFinalPath = outputPath;
            m_out.pdfPath = file;
            m_in.image = QImage();
            return true;
        }
        // The next page may take its names from here on; the final file is made
        // from "tempimage.bmp".
        namesTaken();
        const bool ok
            = format.format == OutputFormat::Md || format.type == OutputType::Archive
            ? writeMarkdown(file)
            : format.type == OutputType::Text             ? writeText(file)
                                                          : writePicture(file, extension);
        m_out.times.encode = Lap(m_clock);
        if (ok)
            m_out.written << outputPath;
        return ok;
    }

    bool writePicture(const QString& outputPath, const QString& extension)
    {
        // Without watermarks the bitmap holds the capture as it came: no need to read
        // it back. A tall page's bitmap is larger than Qt's default reading limit.
        QString error;
        if (extension == OutputFormatInfoOf(OutputFormat::Png).extension) {
            const BitmapPngResult png
                = SaveBitmapAsPng(m_bitmapFile, outputPath, &error, m_in.control->stop());
            if (png == BitmapPngResult::Written)
                return true;
            if (png == BitmapPngResult::Failed)
                return !abandoned()
                    && fail(
                        QStringLiteral("Cannot write %1").arg(QDir::toNativeSeparators(outputPath)),
                        error);
        }
        QImage picture = std::move(m_in.image);
        m_in.image = QImage();
        if (m_stamped || picture.isNull()) {
            QImageReader reader(m_bitmapFile);
            reader.setAllocationLimit(0);
            picture = reader.read();
        }
        // The quality only matters for JPEG, the depth and compression only for TIFF.
        if (!SaveImageFiles(picture, { outputPath }, extension, m_quality, ImageEncoding::RgbDepth,
                ImageEncoding::TiffUncompressed, &error, ImageFileCommit::Replace,
                m_in.control->stop()))
            return !abandoned()
                && fail(QStringLiteral("Cannot write %1").arg(QDir::toNativeSeparators(outputPath)),
                    error);
        return true;
    }

    bool writeText(const QString& outputPath)
    {
        m_in.image = QImage();
        QString error;
        // The body's HTML goes through "WEBtemp.htm" in the locale's encoding, so the
        // text holds only what that encoding can carry.
        if (!WriteWholeFile(m_in.tempHtmlPath,
                EncodeLocaleText(m_in.bodyHtml + QStringLiteral("\r\n")), &error))
            return fail(error);
        QFile temp(m_in.tempHtmlPath);
        if (!temp.open(QIODevice::ReadOnly))
            return fail(
                QStringLiteral("Cannot read %1").arg(QDir::toNativeSeparators(m_in.tempHtmlPath)));
        const QString text = HtmlToText(DecodeLocaleText(temp.readAll()));
        if (!WriteWholeFile(outputPath, EncodeLocaleText(text), &error))
            return fail(error);
        return true;
    }

    // Markdown and the archive are made in the page, in UTF-8 whatever the locale:
    // they go as they came.
    bool writeMarkdown(const QString& outputPath)
    {
        m_in.image = QImage();
        QString error;
        return WriteWholeFile(outputPath, std::exchange(m_in.bodyHtml, QString()).toUtf8(), &error)
            || fail(error);
    }

    void end()
    {
        m_clock.restart();
        // What a failed page wrote is no output; the bitmap copy and the thumbnail
        // only exist for the final file.
        EndPage(m_in, &m_out, m_keepBitmap);
        m_out.times.cleanup = Lap(m_clock);
    }

    PageFilesInput& m_in;
    PageFilesOutcome m_out;
    QElapsedTimer m_clock;
    bool m_addNumber = true;
    bool m_stamped = false;
    bool m_keepBitmap = false;
    // Whether the bitmap copy is the output (BMP); else it is never written into
    // the output folder, and `m_nameBase` names the final file.
    bool m_bitmapIsOutput = true;
    QString m_nameBase;
    int m_quality = 0;
    // Where the bitmap copy is written (its name, or a staged one), and read
    // from; "tempimage.bmp" once the copy has gone before the final file.
    QString m_bitmapFile;
};

} // namespace

PageFilesOutcome WritePageFiles(PageFilesInput input)
{
    return Writer(input).run();
}

void FinishPdfPage(const PageFilesInput& input, PageFilesOutcome* outcome)
{
    // The printer knew the file by its hidden name only.
    for (const auto& [staged, final] : std::as_const(outcome->staged))
        outcome->reason.replace(staged, final);
    QElapsedTimer clock;
    clock.start();
    EndPage(input, outcome, false);
    outcome->times.cleanup = clock.elapsed() / 1000.0;
}
