#pragma once
// Schedule templates: the whole schedule as a small JSON file, so a line that programs many
// meters with one schedule loads it instead of setting it up by hand. The format is
// described in docs/schedule-template.md. A file is taken whole or not at all: anything that
// is not a schedule a meter can hold is refused with a message naming what is wrong.
#include "meter/schedule.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace ormix::meter {

constexpr int kTemplateVersion = 1;
constexpr qint64 kTemplateMaxBytes = 1 << 20; // a real template is a few kilobytes

struct TemplateLoad {
    std::optional<Schedule> schedule; // set exactly when `error` is empty
    QString error;                    // in the operator's words, naming the wrong value
};

// The schedule as a template document (UTF-8, indented). Pure: writes whatever it is given.
QByteArray ScheduleToJson(const Schedule &schedule);
// A template document read back. Refused: not JSON, not a template, an unknown version, a
// missing or unknown field, a value of the wrong type, a time that is not HH:MM, a tariff
// outside 1..3, a day type that is not ПН..ПР, not exactly 6 zones, more than 16 holidays or
// transfers, a holiday or transfer date that does not exist, a transfer outside 2000..2099.
TemplateLoad ScheduleFromJson(const QByteArray &json);

// "Загрузить…": reads `path`. The error starts with "Шаблон «<path>» не загружен." and says
// why (also when the file cannot be read or is larger than kTemplateMaxBytes).
TemplateLoad LoadScheduleTemplate(const QString &path);
// "Сохранить…": writes `path` in one piece (a failure leaves an existing file as it was).
// Refuses, writing nothing, a schedule the loader would refuse (a tariff read from a meter
// outside 1..3, for instance). Empty on success, else "Шаблон «<path>» не сохранён. …".
QString SaveScheduleTemplate(const QString &path, const Schedule &schedule);

} // namespace ormix::meter
