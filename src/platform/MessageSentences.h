#pragma once

#include <span>

// The sentences that reach the window as finished text (errors, questions,
// status lines) from code that knows no window: each with its translation
// context and its source text, "%1", "%2"... standing for the parts filled in.
// French sentences are the window's own (translated to English by
// travelia_en.ts); English ones come from the engine, whose messages are
// English for the command line (translated to French by travelia_fr.ts).
struct MessageSentence {
    const char *context;
    const char *source;
};

std::span<const MessageSentence> FrenchSentences();
std::span<const MessageSentence> EnglishSentences();
