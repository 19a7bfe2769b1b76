#pragma once

#include <QObject>
#include <QString>

class LocalListener;

// One running copy per database file. The first copy holds a lock beside the file
// for its whole life (the kernel drops it when the process ends, however it ends)
// and listens for later copies; a later copy asks it to show its window and ends.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    explicit SingleInstance(const QString& databasePath, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this copy is the one to run. Otherwise the running copy has been
    // asked to show itself (waiting up to `patience` ms for it to start listening)
    // and this copy should end. Where no lock can be made at all (a folder that
    // cannot be written), this copy runs and the database reports the folder.
    bool Claim(int patienceMs = 10000);
    // Holds the lock without listening or asking the running copy anything: false
    // while another copy holds it. Where no lock can be made, true, as Claim.
    bool HoldWithoutHandOver();

signals:
    // A later copy asked this one to show its window.
    void showRequested();

private:
    bool tryLock();
    bool handOver();

    QString m_lockPath;
    QString m_serverName;
    int m_lockFd = -1;
    LocalListener* m_listener = nullptr;
};
