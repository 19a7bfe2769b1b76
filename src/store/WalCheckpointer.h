#pragma once

#include <QtGlobal>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

class DbConnection;
struct sqlite3;

// Writes the log back into the database file on a thread of its own, over a
// connection of its own keyed as the main one, so that a commit no longer waits
// for it (a large note's write-back took a whole keystroke's time). It takes over
// the main connection's automatic write-back, which stays as the fallback: once
// the log reaches `selfPages` (this one cannot keep up, or cannot open), the main
// connection writes it back by itself as before, so the log stays bounded.
// Only passive write-backs run here: they never wait for, nor hold up, a writer.
class WalCheckpointer
{
public:
    using Opener = std::function<void(DbConnection&)>;

    // opener() is called on the main thread when the thread starts and returns
    // how to open its connection, run on the thread. The thread starts at the
    // first commit that leaves the log at `wakePages` or more, and is woken again
    // each time the log has grown by a quarter of that.
    WalCheckpointer(std::function<Opener()> opener, int wakePages, int selfPages);
    ~WalCheckpointer();
    WalCheckpointer(const WalCheckpointer&) = delete;
    WalCheckpointer& operator=(const WalCheckpointer&) = delete;

    // Takes over the write-back of the main connection `db` from its next commit on.
    void attach(sqlite3* db);
    // Starts the thread now, at a quiet moment: while its connection derives the
    // key it holds a read of the log, which no write-back can pass meanwhile.
    void start();
    // Waits for a write-back under way, closes the connection and ends the thread;
    // the next commit past wakePages starts both again. Needed before the file is
    // replaced: it must have no other connection then.
    void release();
    // Runs `work` on the calling thread while no write-back of this one runs.
    void exclusive(const std::function<void()>& work);

    // Write-backs done by the thread and by the main connection itself; the
    // thread's connection is open. For tests and benchmarks.
    quint64 passes() const
    {
        return m_passes;
    }
    quint64 selfPasses() const
    {
        return m_selfPasses;
    }
    bool connected() const
    {
        return m_connected;
    }

private:
    static int onLog(void* self, sqlite3* db, const char* name, int pages);
    void wake();
    bool startLocked();
    void loop(const Opener& open);

    std::function<Opener()> m_opener;
    const int m_wakePages;
    const int m_selfPages;
    int m_nextWake;      // the log's size that wakes the thread next (main thread only)
    int m_lastPages = 0; // as the last commit left it

    std::mutex m_mutex; // guards the flags below and the thread's start and end
    std::condition_variable m_wake;
    bool m_requested = false;
    bool m_stop = false;
    bool m_failed = false; // could not open: the main connection writes back until release()
    std::thread m_thread;

    std::mutex m_pass; // held for each write-back, by whichever thread runs it
    std::atomic<quint64> m_passes = 0;
    std::atomic<quint64> m_selfPasses = 0;
    std::atomic<bool> m_connected = false;
};
