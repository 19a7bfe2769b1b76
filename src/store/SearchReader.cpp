#include "SearchReader.h"

#include "DbConnection.h"

#include <sqlcipher/sqlite3.h>

SearchReader::SearchReader(QObject* receiver, std::function<Opener()> opener, Done done)
    : m_receiver(receiver), m_opener(std::move(opener)), m_done(std::move(done)), m_db(std::make_unique<DbConnection>())
{
    m_thread = std::thread([this] { loop(); });
}

SearchReader::~SearchReader()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
        ++m_generation;
    }
    m_wake.notify_all();
    m_thread.join();
}

void SearchReader::request(const QString& text)
{
    bool connected = false;
    {
        const std::lock_guard lock(m_mutex);
        connected = m_connected;
    }
    // Asked here, on the receiver's thread, where the database object lives.
    Opener open = connected ? Opener() : m_opener();
    {
        const std::lock_guard lock(m_mutex);
        m_text = text;
        ++m_generation;
        if (open && !m_connected) {
            m_open = std::move(open);
        }
    }
    m_wake.notify_all();
}

void SearchReader::release()
{
    std::unique_lock lock(m_mutex);
    ++m_generation;
    m_taken = m_generation; // nothing left to take
    m_idle.wait(lock, [this] { return !m_busy; });
    m_db->close();
    m_connected = false;
    m_open = Opener();
}

int SearchReader::interrupt(void* self)
{
    auto* reader = static_cast<SearchReader*>(self);
    return reader->m_running != reader->m_generation.load() ? 1 : 0;
}

void SearchReader::loop()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stop || m_taken != m_generation.load(); });
        if (m_stop) {
            return;
        }
        m_taken = m_generation.load();
        m_running = m_taken;
        const QString text = m_text;
        const Opener open = m_connected ? Opener() : m_open;
        m_busy = true;
        lock.unlock();

        SearchAll::Results results;
        try {
            if (open) {
                open(*m_db);
            }
            if (!m_db->isOpen()) {
                throw EngineError(QStringLiteral("database is not open"));
            }
            // A newer request interrupts the statement under way.
            sqlite3_progress_handler(m_db->handle(), 1000, &SearchReader::interrupt, this);
            const auto stale = [this] { return interrupt(this) != 0; };
            if (text.isEmpty()) {
                SearchAll::Warm(m_db->handle(), stale);
            } else {
                results = SearchAll::Run(m_db->handle(), text, stale);
            }
        } catch (const EngineError& e) {
            results = SearchAll::Results();
            results.text = text;
            results.error = e.text();
            if (open) {
                m_db->close(); // tried again at the next request
            }
        }
        const bool current = m_running == m_generation.load();

        lock.lock();
        m_busy = false;
        m_connected = m_db->isOpen();
        if (m_connected) {
            m_open = Opener();
        }
        m_idle.notify_all();
        if (current && !text.isEmpty()) {
            QMetaObject::invokeMethod(
                m_receiver, [done = m_done, results] { done(results); }, Qt::QueuedConnection);
        }
    }
}
