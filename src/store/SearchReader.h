#pragma once

#include "SearchAll.h"

#include <QObject>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

class DbConnection;

// Runs searches on a thread of its own over a second, read-only connection, so
// that typing never waits for one. Only the newest request counts: an older one
// still running is interrupted and its results are never delivered. Results
// arrive on the receiver's thread; the connection opens at the first search and
// closes on release() (before the file is replaced) or with the object.
class SearchReader
{
public:
    using Opener = std::function<void(DbConnection&)>;
    using Done = std::function<void(const SearchAll::Results&)>;

    // opener() is called on the receiver's thread and returns how to open the
    // connection (keyed as the main one), run on the search thread.
    SearchReader(QObject* receiver, std::function<Opener()> opener, Done done);
    ~SearchReader();
    SearchReader(const SearchReader&) = delete;
    SearchReader& operator=(const SearchReader&) = delete;

    // An empty text only opens the connection and reads the data into its cache,
    // ready for the first search; nothing is delivered for it.
    void request(const QString& text);
    // Stops any search and closes the connection; the next request opens it again.
    void release();

private:
    void loop();
    static int interrupt(void* self);

    QObject* m_receiver;
    std::function<Opener()> m_opener;
    Done m_done;

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::atomic<quint64> m_generation = 0; // of the newest request; a search of an older one is stale
    quint64 m_taken = 0;                   // of the request the thread took last
    quint64 m_running = 0;                 // of the search under way
    QString m_text;
    Opener m_open; // how to open the connection, while it is closed
    bool m_connected = false;
    bool m_busy = false;
    bool m_stop = false;
    std::unique_ptr<DbConnection> m_db;
    std::thread m_thread;
};
