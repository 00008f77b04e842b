#include "testpages.h"

#include <QDir>
#include <QFile>

namespace TestPages {

namespace {

QByteArray bands(int width, int bandCount, int firstY)
{
    QByteArray out;
    for (int i = 0; i < bandCount; ++i) {
        out += QStringLiteral(
            "<div class=\"band\" style=\"background:#%1\">band %2 - y = %3 px</div>\n")
                   .arg(BandTints[i % BandTintCount], 6, 16, QLatin1Char('0'))
                   .arg(i)
                   .arg(firstY + i * 100)
                   .toUtf8();
    }
    Q_UNUSED(width);
    return out;
}

QByteArray style(int width)
{
    return QStringLiteral(
        "<style>\nhtml, body { margin: 0; padding: 0; }\n"
        "body { width: %1px; font: 20px/1.2 sans-serif; color: #222; }\n"
        ".band { height: 100px; box-sizing: border-box; margin: 0; padding: 10px 20px;"
        " border-bottom: 1px solid #888; overflow: hidden; }\n"
        "#end-marker { height: 100px; box-sizing: border-box; margin: 0; padding: 30px 20px;"
        " background: #ff0000; color: #ffffff; font: bold 36px/40px sans-serif; }\n")
        .arg(width)
        .toUtf8();
}

} // namespace

QByteArray bandedPage(int width, int height, bool standards)
{
    QByteArray page = standards ? "<!DOCTYPE html>\n" : "";
    page += "<html><head><meta charset=\"utf-8\"><title>Banded page</title>\n" + style(width)
        + "</style></head><body>\n";
    page += bands(width, height / 100 - 1, 0);
    page += QStringLiteral("<p id=\"end-marker\">END MARKER (y = %1 px)</p>\n")
                .arg(height - 100)
                .toUtf8();
    page += "</body></html>\n";
    return page;
}

QByteArray fixedHeaderPage(int width, int height)
{
    QByteArray page
        = "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Fixed header</title>\n"
        + style(width);
    page += QStringLiteral(
        "#fixed-header { position: fixed; top: 0; left: 0; width: %1px; height: 80px;"
        " background: #0000ff; color: #ffffff; font: bold 32px/80px sans-serif; z-index: 10; }\n"
        "body { padding-top: 80px; }\n</style></head><body>\n"
        "<div id=\"fixed-header\">FIXED HEADER</div>\n")
                .arg(width)
                .toUtf8();
    page += bands(width, (height - 80) / 100 - 1, 80);
    page += "<p id=\"end-marker\">END MARKER</p>\n</body></html>\n";
    return page;
}

QByteArray simplePage(const QString& title, const QString& bodyHtml)
{
    return QStringLiteral(
        "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>%1</title></head>"
        "<body>%2</body></html>\n")
        .arg(title, bodyHtml)
        .toUtf8();
}

QString writePage(const QString& folder, const QString& fileName, const QByteArray& content)
{
    const QString path = QDir(folder).filePath(fileName);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || file.write(content) != content.size())
        return QString();
    return path;
}

} // namespace TestPages
