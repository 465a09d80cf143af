#include "options/VideoOptions.h"

VideoFieldUse FieldsUsedBy(const TVideoOptions &o)
{
    // FFV1 is the codec of MKV files unless another is chosen.
    const bool ffv1
        = o.Codec == VideoCodec::Ffv1 || (o.Container == VideoContainer::Mkv && o.Codec == VideoCodec::Default);
    VideoFieldUse use;
    switch (o.Container) {
    case VideoContainer::Gif:
        use.keyInterval = false;
        use.preset = false;
        break;
    case VideoContainer::Webp:
        use.preset = false;
        use.lossless = true;
        use.qualityIsEffort = o.Lossless;
        break;
    default:
        use.quality = !ffv1;
        use.preset = !ffv1;
        break;
    }
    return use;
}
