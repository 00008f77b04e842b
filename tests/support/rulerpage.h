#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>

// A page that says where every part of it is, so that a capture can be audited
// pixel by pixel. Its right-hand strip is a ruler of 20-px bands, each painted in a
// colour that encodes the band's number; the rest is dense small text (a line
// every 13 px, in blocks of 500 px that carry their number), which paints as
// slowly as a real article. A missing, repeated or shifted part of the capture
// shows as bands whose colour names another place.
namespace RulerPage {

inline constexpr int BandHeight = 20;
inline constexpr int StripWidth = 60;

// A standards-mode page exactly `width` x `height` CSS pixels, without margins.
QByteArray html(int width, int height);

// The colour of band `band` as 0xRRGGBB, and the band a colour names (-1: none).
unsigned bandRgb(int band);
int bandOf(QRgb rgb);

struct Audit
{
    int bands = 0; // bands checked
    int badBands = 0; // bands that show another band or none
    QList<int> badTiles; // indexes of the `tileHeight` tiles that hold bad bands
    QString firstProblem; // a readable description of the first bad band
};

// Reads every band of a capture of html(width, height) back from its pixels.
Audit audit(const QImage& image, int width, int height, int tileHeight);

} // namespace RulerPage
