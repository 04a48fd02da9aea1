#pragma once
// The fields every part of the window reads: fixed at start-up (the two mode switches),
// set by the replies of the connected meter, or found by the production database. The
// window owns one and hands it to its pages.
namespace ormix::ui {

struct SharedState {
    int ModeFlags = 2;      // bit 0 master mode, bit 1 write password editable
    bool SqlMode = false;   // the production database instead of the local table
    bool NtPlatform = true; // selects the configuration root; always the NT family here

    int FirmwareMajor = 0; // of the last version reply; kept across disconnects
    int MeterTypeId = 6;   // the model in the production database: 1 below firmware 3
    int LastStatus = 0;    // the status byte last decoded into Memo1

    int NewPassword = 0;    // LabeledPass1's integer value
    int AccessPassword = 0; // LabeledPass2's integer value, sent first in every write

    // This workstation, its operator and installation in the production database
    // (0 = not found).
    int ComputerId = 0, PersonId = 0, PlantId = 0;

    bool MasterMode() const { return ModeFlags & 1; }
    bool WritePasswordEditable() const { return ModeFlags & 2; }
};

} // namespace ormix::ui
