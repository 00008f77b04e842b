#pragma once

#include "engine/capture/capturegeometry.h"
#include "engine/capture/capturesteps.h"

#include <QPainter>
#include <QRectF>
#include <QRegularExpression>
#include <QTimer>
#include <QVariantMap>

// A page of known pixels behind the capture steps, as an engine shows it: scrolling
// and painting the frame marker change what the next grab shows, unless the view
// still serves an older frame (`staleGrabs` of them after every change). The page
// measures as the image less the blank strip every capture adds, and answers for
// one element's box.
class FakeCaptureSteps : public CaptureSteps
{
public:
    explicit FakeCaptureSteps(const QImage& page)
        : m_page(page)
    {
    }

    int staleGrabs = 0;
    // Scrolls whose frames are current at once, before the stale ones begin.
    int freshScrolls = 0;
    // The view's height: set by resizeView(), or by the test.
    int tileHeight = 0;
    // What tileHeightFor() answers; 0: the engines' rule.
    int maxTileHeight = 0;
    // The element a selector finds: none when null, unreadable with `invalidSelector`.
    QRectF element;
    bool invalidSelector = false;
    // A busy page: every script answers this late; its layout never rests; after
    // `answersLeft` answers (when not negative) none comes any more.
    int answerDelayMs = 0;
    bool restless = false;
    int answersLeft = -1;

    void runScript(const QString& script, std::function<void(const QVariant&)> then) override
    {
        QVariant result = true;
        static const QRegularExpression scroll(QStringLiteral("window\\.scrollTo\\(0, (\\d+)\\)"));
        static const QRegularExpression marker(QStringLiteral("'#([0-9a-f]{6})'"));
        const QRegularExpressionMatch scrolled = scroll.match(script);
        const QRegularExpressionMatch marked = marker.match(script);
        if (scrolled.hasMatch() && marked.hasMatch()) {
            // The page cannot scroll past its end.
            const int maxScroll = std::max(0, m_page.height() - tileHeight);
            m_scroll = std::min(scrolled.captured(1).toInt(), maxScroll);
            m_marker = QRgb(marked.captured(1).toUInt(nullptr, 16)) | 0xff000000;
            m_staleLeft = m_scrolls++ < freshScrolls ? 0 : staleGrabs;
            result = m_scroll;
        } else if (script.contains(QLatin1String("hasBody"))) {
            const int width = m_page.width() - CaptureStripPixels;
            const int height = m_page.height() - CaptureStripPixels;
            result = QVariantMap { { QStringLiteral("hasBody"), true },
                { QStringLiteral("quirks"), false }, { QStringLiteral("docW"), width },
                { QStringLiteral("docH"), height }, { QStringLiteral("sw"), width },
                { QStringLiteral("ow"), width }, { QStringLiteral("cw"), width },
                { QStringLiteral("sh"), height }, { QStringLiteral("oh"), height },
                { QStringLiteral("ch"), height }, { QStringLiteral("viewW"), width },
                { QStringLiteral("viewH"), tileHeight } };
        } else if (script.contains(QLatin1String("getBoundingClientRect"))) {
            QVariantMap box { { QStringLiteral("found"), !element.isNull() } };
            if (invalidSelector)
                box = { { QStringLiteral("invalid"), true } };
            box.insert(QStringLiteral("x"), element.x());
            box.insert(QStringLiteral("y"), element.y());
            box.insert(QStringLiteral("w"), element.width());
            box.insert(QStringLiteral("h"), element.height());
            result = box;
        } else if (script.contains(QLatin1String("getAnimations"))) {
            result = QVariantMap { { QStringLiteral("fonts"), true },
                { QStringLiteral("shape"),
                    restless ? QString::number(m_scrolls + ++m_probes)
                             : QStringLiteral("still") } };
        }
        if (answersLeft == 0)
            return;
        if (answersLeft > 0)
            --answersLeft;
        QTimer::singleShot(answerDelayMs, [then, result] { then(result); });
    }

    void whenPainted(std::function<void()> then) override { QTimer::singleShot(0, then); }

    void grabView(std::function<void(const QImage&)> then) override
    {
        if (m_staleLeft > 0) {
            --m_staleLeft;
            const QImage old = m_lastFrame;
            QTimer::singleShot(0, [then, old] { then(old); });
            return;
        }
        // The view's last column holds the marker.
        const int width = m_viewWidth > 0 ? m_viewWidth - 1 : m_page.width();
        QImage frame(width + 1, tileHeight, QImage::Format_RGB32);
        frame.fill(Qt::white);
        QPainter painter(&frame);
        painter.drawImage(QPoint(0, 0), m_page, QRect(0, m_scroll, width, tileHeight));
        painter.fillRect(width, 0, 1, tileHeight, QColor(m_marker));
        painter.end();
        m_lastFrame = frame;
        QTimer::singleShot(0, [then, frame] { then(frame); });
    }

    void resizeView(const QSize& size) override
    {
        m_viewWidth = size.width();
        tileHeight = size.height();
    }

    int tileHeightFor(const QSize& captureSize) const override
    {
        return maxTileHeight > 0 ? std::min(captureSize.height(), maxTileHeight)
                                 : TileHeightForCapture(captureSize);
    }

    // Every row of the page a colour of its own, and every column within a row.
    static QImage codedPage(int width, int height)
    {
        QImage page(width, height, QImage::Format_RGB32);
        for (int y = 0; y < height; ++y) {
            auto* line = reinterpret_cast<QRgb*>(page.scanLine(y));
            for (int x = 0; x < width; ++x)
                line[x] = qRgb(y & 0xff, (y >> 8) & 0xff, x & 0xff);
        }
        return page;
    }

private:
    QImage m_page;
    QImage m_lastFrame;
    int m_viewWidth = 0;
    int m_scroll = 0;
    int m_staleLeft = 0;
    int m_scrolls = 0;
    int m_probes = 0;
    QRgb m_marker = 0;
};
