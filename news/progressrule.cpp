#include "news/progressrule.h"

#include <QtGlobal>

ProgressStep progressStep(int progress, int progressMax)
{
    if (progress < 1 || progressMax < 2)
        return {};
    // Byte counts of large pages overflow 32 bits once multiplied by 100.
    const qint64 share = qint64(progress) * 100 / progressMax;
    // A bar set beyond its range would keep its old position; a report past
    // the total is shown full.
    return {true, int(qMin<qint64>(share, 100))};
}
