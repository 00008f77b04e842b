#include "engine/qtwebengine/localfileguard.h"

#include "engine/capture/localfilerule.h"

#include <QWebEngineUrlRequestInfo>

namespace {

LocalRequestKind kindOf(QWebEngineUrlRequestInfo::ResourceType type)
{
    switch (type) {
    case QWebEngineUrlRequestInfo::ResourceTypeMainFrame:
        return LocalRequestKind::MainFrame;
    case QWebEngineUrlRequestInfo::ResourceTypeSubFrame:
        return LocalRequestKind::SubFrame;
    case QWebEngineUrlRequestInfo::ResourceTypeStylesheet:
        return LocalRequestKind::Stylesheet;
    case QWebEngineUrlRequestInfo::ResourceTypeScript:
        return LocalRequestKind::Script;
    case QWebEngineUrlRequestInfo::ResourceTypeImage:
    case QWebEngineUrlRequestInfo::ResourceTypeFavicon:
        return LocalRequestKind::Image;
    case QWebEngineUrlRequestInfo::ResourceTypeFontResource:
        return LocalRequestKind::Font;
    case QWebEngineUrlRequestInfo::ResourceTypeMedia:
        return LocalRequestKind::Media;
    default:
        return LocalRequestKind::Other;
    }
}

} // namespace

void LocalFileGuard::interceptRequest(QWebEngineUrlRequestInfo& info)
{
    const bool typed = info.navigationType() == QWebEngineUrlRequestInfo::NavigationTypeTyped;
    const LocalRequestKind kind = kindOf(info.resourceType());
    if (kind == LocalRequestKind::MainFrame && typed)
        m_loaded = info.requestUrl();
    const QUrl page = kind == LocalRequestKind::MainFrame ? m_loaded : info.firstPartyUrl();
    if (!LocalRequestAllowed(kind, info.requestUrl(), page, typed))
        info.block(true);
}
