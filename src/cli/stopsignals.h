#pragma once

#include <QObject>

class QSocketNotifier;

// SIGINT and SIGTERM as a Qt signal on the event loop of the thread that made it.
// The handler only writes the signal's number into a pipe, all that is safe in a
// handler; a QSocketNotifier reads it. After the first delivery a signal has its
// default action again, so that a second Ctrl-C ends a run that hangs while it
// stops. One instance per process.
class StopSignals : public QObject
{
    Q_OBJECT
public:
    explicit StopSignals(QObject* parent = nullptr);
    // Gives both signals their default action back.
    ~StopSignals() override;

    // False, with the reason, when the pipe or a handler cannot be set up.
    bool install(QString* error);

    // "SIGINT", "SIGTERM", or "signal N".
    static QString name(int signalNumber);

signals:
    void received(int signalNumber);

private:
    void onReadable();

    int m_readFd = -1;
    int m_writeFd = -1;
    bool m_installed = false;
    QSocketNotifier* m_notifier = nullptr;
};
