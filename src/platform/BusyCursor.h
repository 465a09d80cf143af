#pragma once

// The application-wide busy cursors. Cursors stack: each push is undone by
// exactly one pop, so nested operations restore what the outer one showed.
class BusyCursors {
public:
    enum class Cursor { HourGlass, AppStart };

    virtual ~BusyCursors() = default;

    virtual void pushCursor(Cursor cursor) = 0;
    virtual void popCursor() = 0;
};

// Shows a busy cursor for the life of the object, on every way out.
class ScopedBusyCursor {
public:
    ScopedBusyCursor(BusyCursors &cursors, BusyCursors::Cursor cursor)
        : m_cursors(cursors)
    {
        m_cursors.pushCursor(cursor);
    }
    ~ScopedBusyCursor() { m_cursors.popCursor(); }
    ScopedBusyCursor(const ScopedBusyCursor &) = delete;
    ScopedBusyCursor &operator=(const ScopedBusyCursor &) = delete;

private:
    BusyCursors &m_cursors;
};
