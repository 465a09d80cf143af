#pragma once

#include <string>

// Claims a series of numbered files (SeriesName.h) in its folder for one
// run, so that two runs, in one process or two, never write into the same
// series at once. The claim is an advisory lock (flock) on a hidden file
// beside the series, ".IMAGE.PNG.travelia-lock": the system drops it with
// the process, so a killed run never leaves the series claimed (its empty
// file stays, for the next run to claim and remove). Once claimed, the
// temporary names a killed run left in the folder for this series
// (TemporaryNamePrefix) are removed: no live run can own them.
class SeriesLock {
public:
    enum class State {
        Claimed,
        Busy, // another run holds it
        Unavailable, // no lock file could be made (systemError): the folder refuses files
    };

    // fileName: the full name of any file of the series.
    explicit SeriesLock(const std::string &fileName);
    // Removes the lock file, then lets it go.
    ~SeriesLock();
    SeriesLock(const SeriesLock &) = delete;
    SeriesLock &operator=(const SeriesLock &) = delete;

    State state() const { return m_state; }
    int systemError() const { return m_errno; }
    const std::string &lockName() const { return m_lockName; }
    // Leftovers removed when the series was claimed.
    int leftoversRemoved() const { return m_leftoversRemoved; }

private:
    void claim();
    void removeLeftovers(const std::string &folder, const std::string &fileName);

    std::string m_lockName;
    int m_fd = -1;
    State m_state = State::Unavailable;
    int m_errno = 0;
    int m_leftoversRemoved = 0;
};
