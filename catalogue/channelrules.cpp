#include "catalogue/channelrules.h"

#include <QStringList>
#include <QUrl>

namespace ChannelRules {

namespace {

const QStringList &schemes()
{
    static const QStringList list = {QStringLiteral("http"), QStringLiteral("https"), QStringLiteral("mms"),
                                     QStringLiteral("mmsh"), QStringLiteral("rtsp"),  QStringLiteral("rtmp")};
    return list;
}

}  // namespace

bool hasControlCharacter(QStringView text)
{
    for (QChar c : text)
        if (c.category() == QChar::Other_Control)
            return true;
    return false;
}

bool isNetworkAddress(QStringView address)
{
    // The scheme first: most lines that are no address fail here, cheaply.
    const qsizetype colon = address.indexOf(u':');
    if (colon <= 0 || !schemes().contains(address.first(colon).toString(), Qt::CaseInsensitive))
        return false;
    if (hasControlCharacter(address))
        return false;
    const QUrl url(address.toString());
    return url.isValid() && schemes().contains(url.scheme()) && !url.host().isEmpty();
}

QString networkSchemes()
{
    return schemes().join(QStringLiteral(", "));
}

}  // namespace ChannelRules
