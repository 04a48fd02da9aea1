// The schedule template loader on any document: it takes a schedule a meter can hold or
// refuses with a message, and what it takes is saved and loaded back unchanged.
#include "fuzz/fuzz_main.h"
#include "meter/schedule_template.h"

using namespace ormix::fuzz;
using namespace ormix::meter;

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
    StartQt(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, size_t size) {
    const TemplateLoad load = ScheduleFromJson(
        ExactBytes(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size))));
    FUZZ_CHECK(load.schedule.has_value() == load.error.isEmpty());
    if (!load.schedule) return 0;
    FUZZ_CHECK(load.schedule->holidays.size() <= kMaxHolidays);
    FUZZ_CHECK(load.schedule->transfers.size() <= kMaxTransfers);
    const TemplateLoad again = ScheduleFromJson(ScheduleToJson(*load.schedule));
    FUZZ_CHECK(again.error.isEmpty() && again.schedule == load.schedule);
    return 0;
}
