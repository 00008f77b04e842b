#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// The output formats, as the output type and output format settings store
// them, the settings dialog lists them and the command line accepts them.

enum class OutputType { Image, Pdf, Text, Archive };

// New formats go at the end: stored settings name them, and the table's order is
// the enum's.
enum class OutputFormat { Bmp, Jpg, Gif, Png, Tiff, Pdf, Txt, Webp, Avif, Md, Mhtml };

struct OutputFormatInfo
{
    OutputFormat format;
    QString name; // as stored and shown: "BMP", "JPG", ...
    QString extension; // of the final file, lower case; also the encoder's word for images
    OutputType type;
};

// Every format in the order the dialog and the command line list them.
const QList<OutputFormatInfo>& OutputFormats();
const OutputFormatInfo& OutputFormatInfoOf(OutputFormat format);

// The format stored as exactly this text (letter case included), or nothing:
// the conversion takes any other text, "jpg" included, for a bitmap.
std::optional<OutputFormat> FindOutputFormat(const QString& name);

QString OutputFormatName(OutputFormat format);
// The names of one type's formats, in table order.
QStringList OutputFormatNames(OutputType type);
// All names, in table order.
QStringList OutputFormatNames();

// "Image", "PDF", "TEXT", "ARCHIVE", as Setting::OutputType stores them.
QString OutputTypeName(OutputType type);
QStringList OutputTypeNames();
// The type stored as exactly this text; anything else is Image.
OutputType OutputTypeNamed(const QString& name);
