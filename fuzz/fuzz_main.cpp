#include "fuzz/fuzz_main.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QString>
#include <cstring>
#include <memory>

namespace ormix::fuzz {

namespace {

std::unique_ptr<char[]> &ExactBuffer() {
    static std::unique_ptr<char[]> buffer;
    return buffer;
}

void Messages(QtMsgType type, const QMessageLogContext &context, const QString &text) {
    const bool ours = context.category && std::strncmp(context.category, "ormix.", 6) == 0;
    if (type == QtDebugMsg || type == QtInfoMsg || ours) return;
    std::fprintf(stderr, "fuzz: Qt says (%s): %s\n", context.category ? context.category : "",
                 qUtf8Printable(text));
    std::abort();
}

} // namespace

void StartQt(int *argc, char ***argv, AppKind kind) {
    // The application lives until the process ends; fuzzing never returns from its loop.
    // What Qt says while it starts (no runtime folder, for instance) is about the machine.
    if (kind == AppKind::Gui) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        new QGuiApplication(*argc, *argv);
    } else {
        new QCoreApplication(*argc, *argv);
    }
    qInstallMessageHandler(Messages);
}

QByteArray ExactBytes(const QByteArray &bytes) {
    ExactBuffer().reset(new char[size_t(qMax<qsizetype>(bytes.size(), 1))]);
    std::memcpy(ExactBuffer().get(), bytes.constData(), size_t(bytes.size()));
    return QByteArray::fromRawData(ExactBuffer().get(), bytes.size());
}

} // namespace ormix::fuzz
