#pragma once
// The meter's status byte as text: four flag bits (7..4) and an event code (bits 3..0).
// One message table serves the main window and the status dialog.
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

namespace ormix::meter {

// Text of a status flag bit 6, 5 or 4; bit 7 depends on where it is shown (below).
QString StatusFlagText(int bit);
// Text of an event code 1..15; empty for 0.
QString StatusEventText(int code);

// Bit 7 in the main window: the battery text below firmware 6, "ДДМ не описан" from 6 on.
QString MainStatusBit7Text(int firmwareMajor);
// Bit 7 in the dialog: both meanings in one text.
QString DialogStatusBit7Text();

// Lines of the main window's Memo1 for a status byte. From firmware 6 on, 0xFF is the single
// line "Счетчик выключен !!!"; below 6 it decodes like any other value.
QStringList MainStatusLines(std::uint8_t status, int firmwareMajor);

// Lines of the status dialog for a value (taken within 0..255); 255 is "Счетчик выключен.".
QStringList DialogStatusLines(int value);

// The main window's rule for a status reply: the new lines when the byte differs from
// LastStatus, nullopt when Memo1 is to stay as it is. LastStatus becomes the byte either way.
std::optional<QStringList> StatusUpdate(std::uint8_t status, int lastStatus, int firmwareMajor);

} // namespace ormix::meter
