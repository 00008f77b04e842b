#include "core/settings/outputformats.h"

const QList<OutputFormatInfo>& OutputFormats()
{
    using F = OutputFormat;
    using T = OutputType;
    static const QList<OutputFormatInfo> formats = {
        { F::Bmp, QStringLiteral("BMP"), QStringLiteral("bmp"), T::Image },
        { F::Jpg, QStringLiteral("JPG"), QStringLiteral("jpg"), T::Image },
        { F::Gif, QStringLiteral("GIF"), QStringLiteral("gif"), T::Image },
        { F::Png, QStringLiteral("PNG"), QStringLiteral("png"), T::Image },
        { F::Tiff, QStringLiteral("TIFF"), QStringLiteral("tiff"), T::Image },
        { F::Pdf, QStringLiteral("PDF"), QStringLiteral("pdf"), T::Pdf },
        { F::Txt, QStringLiteral("TXT"), QStringLiteral("txt"), T::Text },
        { F::Webp, QStringLiteral("WEBP"), QStringLiteral("webp"), T::Image },
        { F::Avif, QStringLiteral("AVIF"), QStringLiteral("avif"), T::Image },
        { F::Md, QStringLiteral("MD"), QStringLiteral("md"), T::Text },
        { F::Mhtml, QStringLiteral("MHTML"), QStringLiteral("mhtml"), T::Archive },
    };
    return formats;
}

const OutputFormatInfo& OutputFormatInfoOf(OutputFormat format)
{
    // The table is in the enum's order.
    return OutputFormats().at(int(format));
}

std::optional<OutputFormat> FindOutputFormat(const QString& name)
{
    for (const OutputFormatInfo& info : OutputFormats()) {
        if (info.name == name)
            return info.format;
    }
    return std::nullopt;
}

QString OutputFormatName(OutputFormat format)
{
    return OutputFormatInfoOf(format).name;
}

QStringList OutputFormatNames(OutputType type)
{
    QStringList names;
    for (const OutputFormatInfo& info : OutputFormats()) {
        if (info.type == type)
            names << info.name;
    }
    return names;
}

QStringList OutputFormatNames()
{
    QStringList names;
    for (const OutputFormatInfo& info : OutputFormats())
        names << info.name;
    return names;
}

QString OutputTypeName(OutputType type)
{
    switch (type) {
    case OutputType::Pdf:
        return QStringLiteral("PDF");
    case OutputType::Text:
        return QStringLiteral("TEXT");
    case OutputType::Archive:
        return QStringLiteral("ARCHIVE");
    case OutputType::Image:
        break;
    }
    return QStringLiteral("Image");
}

QStringList OutputTypeNames()
{
    return { OutputTypeName(OutputType::Image), OutputTypeName(OutputType::Pdf),
        OutputTypeName(OutputType::Text), OutputTypeName(OutputType::Archive) };
}

OutputType OutputTypeNamed(const QString& name)
{
    for (OutputType type : { OutputType::Pdf, OutputType::Text, OutputType::Archive }) {
        if (name == OutputTypeName(type))
            return type;
    }
    return OutputType::Image;
}
