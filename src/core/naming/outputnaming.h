#pragma once

#include <QDateTime>
#include <QString>
#include <functional>

// How converted pages are named in the output folder. Every name derives from
// the bitmap path: "<folder>/<stem>.BMP", numbered "<stem>_0.bmp",
// "<stem>_1.bmp" … when taken; the final file replaces its last four
// characters, and the thumbnail is named after the file it shows. File names
// never exceed 255 bytes: a stem too long for its suffix is shortened, so the
// numbering and extension always survive.

// Tells whether a file exists at a path; a parameter so tests need no disk.
using FileExistsFn = std::function<bool(const QString&)>;

// A file-name stem made from an address: a password in it dropped ("user@host"),
// "https" and "http" removed, "." to "_", a ":" before a digit (a port) to "_",
// other ":" and "/" removed, and "\", "*", "?", ">", "<", "|" to "_", each
// replacement applied to the whole text in this order, case-sensitively.
QString UrlToFileName(const QString& address);

// The user's custom file name with the characters no file name may hold ("/"
// and NUL) replaced by "_", so the name can never point outside the folder.
QString SanitizeCustomFileName(const QString& name);

// Twelve digits MMDDYYHHMMSS, for example 120626160520 for 6 Dec 2026 16:05:20.
QString DateTimeStamp(const QDateTime& t);

// The bitmap path before numbering: the custom name (followed by the stamp of
// now when dateTime is set) or the name made from the address, plus ".BMP".
QString BitmapBasePath(const QString& folder, bool customName, const QString& fileName,
    bool dateTime, const QDateTime& now, const QString& address);

// basePath itself when addNumber is off or it is free; else the first free
// one of "<stem>_0.bmp", "<stem>_1.bmp", …
QString NumberedBitmapPath(const QString& basePath, bool addNumber, const FileExistsFn& exists);

// "<stem>.<ext>" for the bitmap path "<stem>.BMP"; when addNumber is on and
// that is taken, the first free one of "<stem>_0.<ext>", "<stem>_1.<ext>", …
// numbered independently of the bitmap.
QString FinalOutputPath(const QString& bitmapPath, const QString& extensionWithoutDot,
    bool addNumber, const FileExistsFn& exists);

// A name claimed for one page's output. With numbering on, the name is taken
// by creating an empty hidden file for it exclusively (see partialfiles.h), so
// that another run writing into the same folder at the same moment takes the
// next number instead of the same name, and a run killed meanwhile leaves no
// file under the name itself. The writer writes the hidden file and renames it
// into place once the page is whole; a page that fails removes it.
struct OutputClaim
{
    // The name claimed; empty when none could be claimed (see error).
    QString path;
    // True when the hidden file `partial` was created for this claim. False with
    // numbering off: the name is then used as it is and an existing file is
    // replaced.
    bool placeholder = false;
    QString partial;
    QString error;
};

// NumberedBitmapPath and FinalOutputPath, with the chosen name claimed on disk
// at once: the same sequence of names, the first one that is free when its
// exclusive creation is tried.
OutputClaim ClaimBitmapPath(const QString& basePath, bool addNumber);
OutputClaim ClaimFinalOutputPath(
    const QString& bitmapPath, const QString& extensionWithoutDot, bool addNumber);

// "<stem>_Thumbnail.jpg" for the page's image "<stem>.<ext>" (the final file,
// or the bitmap when that is the output): a numbered image's thumbnail carries
// its number, "webimage_0.jpg" gives "webimage_0_Thumbnail.jpg", so the pages
// of a batch in numbering mode each keep their own.
QString ThumbnailPathFor(const QString& imagePath);

// ThumbnailPathFor, claimed as the picture's name is: with numbering on, a
// thumbnail of that name already there (another page's, or the user's own file)
// is never replaced; the thumbnail takes the first free one of
// "<stem>_Thumbnail_0.jpg", "<stem>_Thumbnail_1.jpg", …
OutputClaim ClaimThumbnailPath(const QString& imagePath, bool addNumber);

// NumberedBitmapPath on the disk, without a claim: for a page whose bitmap copy
// is never written into the folder (every format but BMP), whose name serves
// only as the base of the final file's. A file there, or a name another run has
// claimed, counts as taken.
QString FreeBitmapPath(const QString& basePath, bool addNumber);
