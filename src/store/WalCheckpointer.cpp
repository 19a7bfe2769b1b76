#include "WalCheckpointer.h"

#include "DbConnection.h"

#include <sqlcipher/sqlite3.h>

WalCheckpointer::WalCheckpointer(std::function<Opener()> opener, int wakePages, int selfPages)
    : m_opener(std::move(opener)), m_wakePages(wakePages), m_selfPages(selfPages), m_nextWake(wakePages)
{}

WalCheckpointer::~WalCheckpointer()
{
    release();
}

void WalCheckpointer::attach(sqlite3* db)
{
    // Replaces the engine's own automatic write-back on this connection.
    m_nextWake = m_wakePages;
    m_lastPages = 0;
    sqlite3_wal_hook(db, &WalCheckpointer::onLog, this);
}

int WalCheckpointer::onLog(void* self, sqlite3* db, const char* name, int pages)
{
    // Called on the main thread right after each commit, its write lock released.
    auto* writer = static_cast<WalCheckpointer*>(self);
    if (pages < writer->m_lastPages) {
        writer->m_nextWake = writer->m_wakePages; // the log started over
    }
    writer->m_lastPages = pages;
    if (pages < writer->m_nextWake) {
        return SQLITE_OK;
    }
    if (pages < writer->m_selfPages) {
        // Again only after a quarter as much growth: a pass costs the whole log's
        // length, and commits in quick succession would otherwise ask for one each.
        writer->m_nextWake = pages + writer->m_wakePages / 4;
        writer->wake();
        return SQLITE_OK;
    }
    // The thread cannot keep up or cannot open: write back here, as the engine
    // would by itself. Waits for a pass under way, which would make this one fail.
    const std::lock_guard pass(writer->m_pass);
    sqlite3_wal_checkpoint_v2(db, name, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
    ++writer->m_selfPasses;
    return SQLITE_OK;
}

void WalCheckpointer::start()
{
    const std::lock_guard lock(m_mutex);
    startLocked();
}

bool WalCheckpointer::startLocked()
{
    if (m_failed) {
        return false;
    }
    if (!m_thread.joinable()) {
        try {
            m_thread = std::thread([this, open = m_opener()] { loop(open); });
        } catch (const std::exception&) {
            m_failed = true;
            return false;
        }
    }
    return true;
}

void WalCheckpointer::wake()
{
    const std::lock_guard lock(m_mutex);
    if (startLocked()) {
        m_requested = true;
        m_wake.notify_one();
    }
}

void WalCheckpointer::loop(const Opener& open)
{
    DbConnection db;
    try {
        open(db);
    } catch (const std::exception&) {
        db.close();
        const std::lock_guard lock(m_mutex);
        m_failed = true;
        return;
    }
    m_connected = true;
    for (;;) {
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stop || m_requested; });
            if (m_stop) {
                break;
            }
            m_requested = false;
        }
        const std::lock_guard pass(m_pass);
        // A failed pass leaves the log as it is; the next one, or the main
        // connection past selfPages, takes it.
        sqlite3_wal_checkpoint_v2(db.handle(), nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
        ++m_passes;
    }
    db.close();
    m_connected = false;
}

void WalCheckpointer::release()
{
    std::unique_lock lock(m_mutex);
    m_stop = true;
    m_wake.notify_one();
    if (m_thread.joinable()) {
        lock.unlock();
        m_thread.join();
        lock.lock();
    }
    m_thread = std::thread();
    m_stop = false;
    m_requested = false;
    m_failed = false;
}

void WalCheckpointer::exclusive(const std::function<void()>& work)
{
    const std::lock_guard pass(m_pass);
    work();
}
