#include "engine/capture/captureengine.h"

#include <QTimer>

void CaptureEngine::captureView(QWebEngineView*)
{
    QTimer::singleShot(0, this,
        [this] { emit failed(tr("This engine cannot capture a page shown in a window")); });
}
