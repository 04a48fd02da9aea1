#include "link/error_report.h"

#include <QtGlobal>

namespace ormix::link {

namespace {
ErrorReportHandler &handler() {
    static ErrorReportHandler h;
    return h;
}
} // namespace

void SetErrorReportHandler(ErrorReportHandler h) {
    handler() = std::move(h);
}

void ReportApplicationError(const QString &message) {
    if (handler())
        handler()(message);
    else
        qWarning("%s", qUtf8Printable(message));
}

} // namespace ormix::link
