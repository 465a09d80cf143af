#include "video/QualityScale.h"

#include <algorithm>

double MapQuality(QualityTarget target, int quality)
{
    const double q = std::clamp(quality, 0, 100) / 100.0;
    for (const QualityMapping &m : kQualityTable)
        if (m.target == target)
            return m.atZero + (m.atHundred - m.atZero) * q;
    return 0;
}
