#pragma once
// How ormix-cli takes its arguments from the system and what it says about a run: pure
// functions, so each text is known without a port.
#include "meter/write_choices.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace ormix::cli {

// The arguments as the bytes given, decoded as file names are (QFile::decodeName). An
// argument whose bytes that decoding cannot give back exactly is refused: a file opened
// under another name would receive the log row the operator looks for elsewhere.
struct CliArguments {
    QStringList args;
    QString error; // names the argument; empty when every one decodes exactly
};
CliArguments CliArgumentsFromBytes(const QList<QByteArray> &raw);

// The serial component replaces "%d" in a device name by the port number; an absolute
// path given on the command line is opened as it stands.
QString DeviceNameForPath(const QString &path);

// A failed exchange: the port, the request and what happened, from the protocol line.
QString ExchangeFailureText(const QString &port, const QByteArray &request,
                            const QString &protocolLine);

// What a completed write changed in the meter, for standard output.
QString WrittenText(const meter::WriteChoices &written);

} // namespace ormix::cli
