#pragma once
// The program-wide values of a run, in one object that start-up creates and
// hands to every window together with the ECU link. Tests build their own.
#include <QString>
#include <cstdint>
#include <functional>

namespace common {

class SettingsStore;
class Dialogs;
class Platform;

struct ProgramState {
    QString AppTitle;
    QString AppFolder;
    int SpeakerMode = 1;   // 0 sound off, 1 sound on, 2 no sound device
    int ReportEnabled = 0; // 1 = identification lines go to the report log
    int OsMajorVersion = 10;
    std::uint8_t EngineVariant = 0; // 62 or 63 once the engine is identified
    // Values of ECU variables 40, 65 and 66 as read at connection.
    std::uint8_t ConnectionValue40 = 0;
    std::uint8_t ConnectionValue65 = 0;
    std::uint8_t ConnectionValue66 = 0;
    // Whether they have been read, and the serial number of the ECU they
    // were read from: a new identification of the same ECU keeps them.
    bool ConnectionValuesRead = false;
    QString ConnectionSerial;
    std::uint8_t OverrideMaskA = 0; // copy of ECU variable 11
    std::uint8_t OverrideMaskB = 0; // copy of ECU variable 12
    std::uint8_t EcuSwitches = 0;   // copy of the switch bits of ECU variable 14
};

// What every part of a program reaches: the seams and the program state.
struct Context {
    SettingsStore& settings;
    Dialogs& dialogs;
    Platform& platform;
    ProgramState& state;
    // Stores the settings and ends the program (in tests: records the call).
    std::function<void()> saveSettingsAndQuit;
};

// The warning sound: a 1864 Hz tone of 200 ms when sound is on. A missing or
// failing sound device turns sound off for the rest of the run (mode 2).
void BeepSignal(Context& ctx);

} // namespace common
