#pragma once

// How long operations keep the program alive: they run on the one UI thread
// and let pending window messages be handled at fixed points.
class MessagePump {
public:
    virtual ~MessagePump() = default;

    // One non-waiting pass over the pending window messages.
    virtual void processMessages() = 0;
    // Waits until at least one message arrives (a timer tick, a click), then
    // processes what is pending: a pause that costs no processor time.
    virtual void waitForMessages() = 0;
};
