#pragma once
// The application's general error report: what an unhandled failure of an event
// handler reaches. The window installs a message box; the default writes a warning.
#include <QString>
#include <functional>

namespace ormix::link {

using ErrorReportHandler = std::function<void(const QString &message)>;
void SetErrorReportHandler(ErrorReportHandler handler);
void ReportApplicationError(const QString &message);

} // namespace ormix::link
