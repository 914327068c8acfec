#pragma once

#include "history/Store.h"

#include <QString>
#include <QTemporaryDir>

// Where a test's history goes: a fresh SQLite file in a temporary folder, or,
// when the test runs beside the throwaway PostgreSQL cluster
// (postgres-cluster.sh; KESTRUNE_TEST_POSTGRESQL names its state file), a
// fresh database on it. Each call gives a store nobody has written to.
class TestStores {
public:
    TestStores();
    bool postgresql() const { return !connection_.isEmpty(); }
    // Empty, and `why` says so, when no fresh store could be made.
    history::Location fresh(QString* why);
    // The cluster's state file, for pausing and resuming its server.
    QString stateFile() const { return stateFile_; }
    QString folder() const { return folder_.path(); }

private:
    QTemporaryDir folder_;
    QString stateFile_;
    QString connection_; // host, port and the desks' role
    QString admin_; // the same as the cluster's superuser, who makes databases
    int made_ = 0;
};
