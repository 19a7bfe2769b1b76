#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>

class QSocketNotifier;

// One word between copies of the program over a Unix stream socket in the
// abstract namespace: nothing lies on disk, so a killed copy leaves nothing
// behind, and the kernel frees the name when the listening copy ends.
namespace LocalMessage {

// Connects to `name` and sends `message` whole, waiting at most `timeoutMs` for
// room. False when nobody listens there (or not yet) or the message did not go.
bool send(const QByteArray& name, const QByteArray& message, int timeoutMs);

} // namespace LocalMessage

// Listens on `name` in the thread it lives in and reports each peer that says
// `word`. Peers are read without ever blocking: one that says nothing, talks
// endlessly or hangs is dropped after a while, and only a few are kept at once.
class LocalListener : public QObject
{
    Q_OBJECT

public:
    LocalListener(const QByteArray& word, QObject* parent = nullptr);
    ~LocalListener() override;

    // False (and nothing listens) when the name cannot be taken.
    bool listen(const QByteArray& name);

signals:
    void heard();

private:
    class Peer;

    void acceptPeers();

    QByteArray m_word;
    int m_fd = -1;
    QSocketNotifier* m_notifier = nullptr;
    QList<Peer*> m_peers; // oldest first
};
