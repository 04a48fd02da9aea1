#pragma once
// A PostgreSQL server of the test's own (scripts/pg-server) in a temporary folder, so
// stopping it in the middle of a test disturbs no other test.
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

class PrivateServer {
public:
    bool Start(QString *error) {
        QProcess p;
        QStringList args{"start", dir_.path()};
        if (port_ > 0) args << QString::number(port_);
        p.start(QStringLiteral(ORMIX_SOURCE_DIR "/scripts/pg-server"), args);
        if (!p.waitForFinished(120000) || p.exitCode() != 0) {
            *error = QString::fromLocal8Bit(p.readAllStandardError());
            return false;
        }
        port_ = QString::fromLatin1(p.readAllStandardOutput()).trimmed().toInt();
        return port_ > 0;
    }
    void Stop() {
        QProcess::execute(QStringLiteral(ORMIX_SOURCE_DIR "/scripts/pg-server"),
                          {"stop", dir_.path()});
    }
    ~PrivateServer() { Stop(); }
    int Port() const { return port_; }

private:
    QTemporaryDir dir_;
    int port_ = 0;
};
