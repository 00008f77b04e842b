#include "pagejson.h"

#include "conversionresult.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>

QByteArray PageJsonLine(const PageInput& page, const ConversionResult& result)
{
    QJsonObject object;
    object.insert(QStringLiteral("input"), page.input);
    object.insert(QStringLiteral("address"),
        result.pageAddress.isEmpty() ? page.address : result.pageAddress);
    object.insert(
        QStringLiteral("result"), result.ok ? QStringLiteral("written") : QStringLiteral("failed"));
    object.insert(QStringLiteral("seconds"), std::round(result.seconds * 1000.0) / 1000.0);
    object.insert(QStringLiteral("files"), QJsonArray::fromStringList(result.filesWritten));
    object.insert(QStringLiteral("reason"), result.ok ? QString() : result.reason);
    object.insert(QStringLiteral("remark"), result.ok ? result.reason : QString());
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}
