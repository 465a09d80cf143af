#include "video/QualityScale.h"

#include <algorithm>
#include <cmath>
#include <cstring>

const QualityMapping *FindQuality(const char *encoder)
{
    for (const QualityMapping &m : kQualityTable)
        if (std::strcmp(m.encoder, encoder) == 0)
            return &m;
    return nullptr;
}

const QualityMapping *FindQuality(const char *encoder, QualityKnob knob)
{
    for (const QualityMapping &m : kQualityTable)
        if (m.knob == knob && std::strcmp(m.encoder, encoder) == 0)
            return &m;
    return nullptr;
}

double MapQuality(const QualityMapping &mapping, double quality)
{
    const double q = std::clamp(quality, 0.0, 100.0) / 100.0;
    return mapping.atZero + (mapping.atHundred - mapping.atZero) * q;
}

int MapQualityWhole(const QualityMapping &mapping, double quality)
{
    return int(std::lround(MapQuality(mapping, quality)));
}
