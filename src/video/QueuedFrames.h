#pragma once

#include <functional>
#include <memory>
#include <string>

class VideoEncoder;
struct AVPacket;

// Ends the encoder's stream and hands each packet it still holds to store,
// in order, on the caller's thread. The encoder works on a thread of its
// own, so that the caller can stop waiting at any moment: when dropQueued
// says so, the rest is given up, and the encoder is left to end on its own
// after the frame it is making (it goes with its last reference). store
// returning false stops too. Returns the encoder's failure in words, empty
// when it had none.
std::string FinishQueuedFrames(std::shared_ptr<VideoEncoder> encoder, const std::function<bool()> &dropQueued,
    const std::function<bool(AVPacket *packet)> &store);
