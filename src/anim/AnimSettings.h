#pragma once

#include <cstdint>

// Item index of the scroll-type radio group.
enum TScrollKind : std::int32_t { ScrollHorizontal = 0, ScrollVertical = 1 };

// The validated settings of one run's frames, read and checked before the run
// starts (the panel's ReadSettings, or the command line's options). The names
// of the files it writes are output/OutputNaming's OutputNames; the frame
// bitmap is the run's own.
struct tanimprm {
    std::int32_t FrameWidth = 0;
    std::int32_t FrameHeight = 0;
    std::int32_t Step = 0; // 0 counts as 1
    bool Center = false;
    bool ScrollDirection = false; // left to right (horizontal), top to bottom (vertical)
    bool ScrollBack = false;
    TScrollKind ScrollType = ScrollHorizontal;
    // The panorama is a full turn: the frame window wraps past the far edge
    // and one pass goes once round; there is no return pass.
    bool Loop360 = false;
};
