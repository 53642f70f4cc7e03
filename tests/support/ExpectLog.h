// Every test program's main (TestMain.cpp) fails the running test on any Qt
// warning, critical or fatal message and any GLib warning or critical. A test
// that provokes one on purpose says so with an ExpectLog.
#pragma once

#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <atomic>

namespace velvaro::test {

// While it lives, messages of `type` (GLib warnings count as QtWarningMsg,
// criticals as QtCriticalMsg) whose text contains a match of `pattern`, and
// whose category or GLib domain is `category` when one is given, are counted
// instead of failing the test. Safe to meet messages from any thread.
class ExpectLog {
public:
    ExpectLog(QtMsgType type, const QString& pattern, const QString& category = {});
    ~ExpectLog();
    ExpectLog(const ExpectLog&) = delete;
    ExpectLog& operator=(const ExpectLog&) = delete;

    // How many messages it has taken so far.
    int Count() const { return count_; }
    // The texts it has taken, in order.
    QStringList Texts() const;

    bool Take(QtMsgType type, const QString& category, const QString& text);

private:
    QtMsgType type_;
    QRegularExpression pattern_;
    QString category_;
    std::atomic<int> count_ = 0;
    QStringList texts_;  // guarded by the test main's lock
};

}  // namespace velvaro::test
