#include "cli/pagejson.h"

#include "engine/queue/conversionresult.h"

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
    // Where the page's time went, for benchmarks and for finding slow pages.
    auto ms = [](double s) { return std::round(s * 1000.0) / 1000.0; };
    const StageTimes& t = result.stages;
    object.insert(QStringLiteral("stages"),
        QJsonObject { { QStringLiteral("load"), ms(t.load) },
            { QStringLiteral("settle"), ms(t.settle) }, { QStringLiteral("tiles"), ms(t.tiles) },
            { QStringLiteral("intermediate"), ms(t.intermediate) },
            { QStringLiteral("encode"), ms(t.encode) },
            { QStringLiteral("cleanup"), ms(t.cleanup) } });
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}
