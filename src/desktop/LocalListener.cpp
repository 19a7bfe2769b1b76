#include "LocalListener.h"

#include "base/ExceptionHandler.h"

#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <optional>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// A later copy says its word at once; whoever takes longer is not one of ours.
constexpr int kPeerLifeMs = 10000;
constexpr int kMaxPeers = 8;
constexpr qsizetype kMaxPeerBytes = 4096;

struct Address
{
    sockaddr_un addr{};
    socklen_t size = 0;
};

// The name right after a leading NUL, without a trailing one: the length is part
// of an abstract name, and earlier copies used exactly this form.
std::optional<Address> abstractAddress(const QByteArray& name)
{
    Address a;
    if (name.isEmpty() || name.size() + 1 > qsizetype(sizeof a.addr.sun_path)) {
        return std::nullopt;
    }
    a.addr.sun_family = AF_UNIX;
    std::memcpy(a.addr.sun_path + 1, name.constData(), size_t(name.size()));
    a.size = socklen_t(offsetof(sockaddr_un, sun_path) + 1 + size_t(name.size()));
    return a;
}

class Fd
{
public:
    explicit Fd(int fd) : m_fd(fd)
    {}
    ~Fd()
    {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const
    {
        return m_fd;
    }

private:
    int m_fd;
};

} // namespace

namespace LocalMessage {

bool send(const QByteArray& name, const QByteArray& message, int timeoutMs)
{
    const std::optional<Address> address = abstractAddress(name);
    if (!address) {
        return false;
    }
    const Fd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    // A full backlog (EAGAIN) is a listener still busy starting: the caller asks again.
    if (fd.get() < 0 || ::connect(fd.get(), reinterpret_cast<const sockaddr*>(&address->addr), address->size) != 0) {
        return false;
    }
    QElapsedTimer waited;
    waited.start();
    qsizetype sent = 0;
    while (sent < message.size()) {
        const ssize_t n = ::send(fd.get(), message.constData() + sent, size_t(message.size() - sent), MSG_NOSIGNAL);
        if (n > 0) {
            sent += n;
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
            return false;
        }
        const qint64 left = timeoutMs - waited.elapsed();
        if (left <= 0) {
            return false;
        }
        pollfd p{fd.get(), POLLOUT, 0};
        ::poll(&p, 1, int(left));
    }
    return true;
}

} // namespace LocalMessage

// One connected peer, read as its bytes come until it says the word, ends,
// errs, talks too much or outlives its time.
class LocalListener::Peer : public QObject
{
public:
    Peer(int fd, LocalListener* listener)
        : QObject(listener), m_fd(fd), m_listener(listener),
          m_notifier(new QSocketNotifier(fd, QSocketNotifier::Read, this))
    {
        connect(m_notifier, &QSocketNotifier::activated, this, guard([this] {
                    if (readSome()) {
                        LocalListener* const listener = m_listener;
                        drop();
                        emit listener->heard();
                    }
                }));
        QTimer::singleShot(kPeerLifeMs, this, [this] { drop(); });
    }
    ~Peer() override
    {
        closeFd();
    }
    void drop()
    {
        closeFd();
        m_listener->m_peers.removeOne(this);
        deleteLater();
    }

private:
    void closeFd()
    {
        if (m_fd >= 0) {
            m_notifier->setEnabled(false);
            ::close(m_fd);
            m_fd = -1;
        }
    }
    // True once the word has come. One bounded read per wake-up, so a peer that
    // floods the socket cannot hold the thread.
    bool readSome()
    {
        if (m_fd < 0) {
            return false;
        }
        char chunk[512];
        const ssize_t got = ::recv(m_fd, chunk, sizeof chunk, 0);
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
            return false;
        }
        if (got <= 0) {
            drop();
            return false;
        }
        m_total += got;
        m_seen.append(chunk, got);
        if (m_seen.contains(m_listener->m_word)) {
            return true;
        }
        if (m_total > kMaxPeerBytes) {
            drop();
            return false;
        }
        // Keep only what could still begin the word in the next piece.
        m_seen = m_seen.right(m_listener->m_word.size() - 1);
        return false;
    }

    int m_fd;
    LocalListener* m_listener;
    QSocketNotifier* m_notifier;
    QByteArray m_seen;
    qsizetype m_total = 0;
};

LocalListener::LocalListener(const QByteArray& word, QObject* parent) : QObject(parent), m_word(word)
{}

LocalListener::~LocalListener()
{
    // Peers reach back into the list; free them while it is still there.
    qDeleteAll(QList<Peer*>(m_peers));
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

bool LocalListener::listen(const QByteArray& name)
{
    const std::optional<Address> address = abstractAddress(name);
    if (m_fd >= 0 || !address) {
        return false;
    }
    // Close-on-exec: a browser started from the program must not keep the name
    // taken after the program has ended.
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        return false;
    }
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address->addr), address->size) != 0 || ::listen(fd, 16) != 0) {
        ::close(fd);
        return false;
    }
    m_fd = fd;
    m_notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, guard([this] { acceptPeers(); }));
    return true;
}

void LocalListener::acceptPeers()
{
    for (;;) {
        const int peer = ::accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (peer < 0) {
            if (errno == EINTR || errno == ECONNABORTED) {
                continue;
            }
            if (errno != EAGAIN && errno != EWOULDBLOCK) {
                // Out of descriptors, say: the waiting peer would wake us again at
                // once and spin the thread, so rest a moment.
                m_notifier->setEnabled(false);
                QTimer::singleShot(500, m_notifier, [n = m_notifier] { n->setEnabled(true); });
            }
            return;
        }
        // The abstract namespace has no file permissions: any user could connect, so
        // only this user's own copies are heard.
        ucred cred{};
        socklen_t size = sizeof cred;
        if (::getsockopt(peer, SOL_SOCKET, SO_PEERCRED, &cred, &size) != 0 || cred.uid != ::getuid()) {
            ::close(peer);
            continue;
        }
        // The oldest peer makes room: none that only holds on blocks a later copy.
        if (m_peers.size() >= kMaxPeers) {
            m_peers.first()->drop();
        }
        m_peers.append(new Peer(peer, this));
    }
}
