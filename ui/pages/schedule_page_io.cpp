// The schedule page's exchanges: the read and the write through the meter line, and the
// template files.
#include "meter/schedule_frames.h"
#include "meter/schedule_template.h"
#include "ui/pages/schedule_page.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QTreeWidget>

namespace ormix::ui {

// ---- read and write ------------------------------------------------------------------------

// A press while the previous read's frames are still queued is ignored: emptying the
// lists now would let that read's remaining replies land in them.
bool SchedulePage::ReadUnderway() const {
    for (std::uint8_t code : {0x08, 0x2E, 0x26, 0x28})
        if (line.Queued(code)) return true;
    return false;
}

void SchedulePage::BtnReadScheduleClick() {
    if (!line.Connected() || ReadUnderway()) return;
    if (meter::ScheduleReadEmptiesLists(shared.FirmwareMajor)) {
        ListCel->clear();
        ListTransfer->clear();
        UpdateListButtons();
    }
    line.Queue(meter::ScheduleReadFrames(shared.FirmwareMajor));
}

void SchedulePage::BtnWriteScheduleClick() {
    if (!line.Connected()) return;
    const meter::ScheduleWriteSequence seq =
        meter::BuildScheduleWrite({ReadSchedule(), shared.AccessPassword, shared.FirmwareMajor});
    if (!seq.ok()) {
        QMessageBox::critical(this, "Ошибка", seq.error);
        return;
    }
    line.QueueScheduleWrite(seq.frames);
}

// ---- templates -----------------------------------------------------------------------------

namespace {
const QString kTemplateFilter = QStringLiteral("Шаблоны расписания (*.json)");
}

void SchedulePage::BtnSaveTemplateClick() {
    const QString start = templateFolder.isEmpty() ? QDir::currentPath() : templateFolder;
    QString path = QFileDialog::getSaveFileName(this, "Сохранить шаблон расписания",
                                                start + "/расписание.json", kTemplateFilter);
    if (path.isEmpty()) return;
    if (QFileInfo(path).suffix().isEmpty()) path += ".json";
    SaveTemplate(path);
}

void SchedulePage::BtnLoadTemplateClick() {
    const QString start = templateFolder.isEmpty() ? QDir::currentPath() : templateFolder;
    const QString path =
        QFileDialog::getOpenFileName(this, "Загрузить шаблон расписания", start, kTemplateFilter);
    if (!path.isEmpty()) LoadTemplate(path);
}

QString SchedulePage::SaveTemplate(const QString &path) {
    templateFolder = QFileInfo(path).absolutePath();
    const QString error = meter::SaveScheduleTemplate(path, ReadSchedule());
    if (!error.isEmpty()) QMessageBox::critical(this, "Ошибка", error);
    return error;
}

QString SchedulePage::LoadTemplate(const QString &path) {
    templateFolder = QFileInfo(path).absolutePath();
    const meter::TemplateLoad loaded = meter::LoadScheduleTemplate(path);
    if (!loaded.schedule) {
        QMessageBox::critical(this, "Ошибка", loaded.error);
        return loaded.error;
    }
    ShowSchedule(*loaded.schedule);
    return {};
}

} // namespace ormix::ui
