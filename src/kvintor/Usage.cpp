#include "Usage.h"

namespace kvintor {

QString usageText(const QString& settingsFile, const QString& dataFolder) {
    return QStringLiteral(
               "usage: kvintor [--port N=DEVICE ...] [--simulator]\n"
               "       kvintor --help | --version\n"
               "\n"
               "Kvintor diagnoses Mikas 5.4 and 7.x engine control units through a K-line\n"
               "adapter on a serial port: identification, live data, faults, passport,\n"
               "set-point adjustments, adaptation tables, engine tests, graphs, report log.\n"
               "\n"
               "Options:\n"
               "  --port N=DEVICE  use DEVICE as port COM N (N from 1 to 4) for this run,\n"
               "                   e.g. --port 1=/dev/ttyUSB0 or a pseudo-terminal\n"
               "  --simulator      COM1 is the built-in simulated ECU, whose control panel\n"
               "                   opens beside Kvintor\n"
               "  --help           print this text and exit\n"
               "  --version        print the version and exit\n"
               "\n"
               "Ports:\n"
               "  COM1 to COM4 are /dev/ttyS0 to /dev/ttyS3 unless the settings (section\n"
               "  Ports, keys COM1 to COM4; the settings window changes them) or --port\n"
               "  name other devices. The user needs read and write access to the device:\n"
               "  membership of the dialout group.\n"
               "\n"
               "Files:\n"
               "  ") +
           settingsFile +
           QStringLiteral(
               "\n"
               "                   settings: the port and adapter lines, sound and report\n"
               "                   (section fNastr), the main window (InitTest), the places\n"
               "                   of the windows, port devices (section Ports)\n"
               "  Otchet.log       the report log, in the program's folder when that is\n"
               "                   writable and not a system folder, otherwise ") +
           dataFolder +
           QStringLiteral("/Kvintor/Otchet.log\n"
                          "  ~/.config/autostart/Kvintor.desktop\n"
                          "                   written while \"Автозагрузка\" is ticked\n"
                          "\n"
                          "Exit status:\n"
                          "  0   the program ended normally, or --help / --version\n"
                          "  64  a wrong command line\n");
}

} // namespace kvintor
