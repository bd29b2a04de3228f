#include "KlineUsage.h"

namespace kline {

QString klineUsage() {
    return QStringLiteral(
        "usage: kline send --device PATH [--text] [--dtr 0|1] [--rts 0|1] B1 B2 ...\n"
        "       kline --help | --version\n"
        "\n"
        "kline sends one request to the ECU through a K-line adapter and prints the\n"
        "reply: \"result N\" (0 = success), the reply bytes and, with --text, the\n"
        "reply read as text.\n"
        "\n"
        "Options:\n"
        "  --device PATH  the adapter's serial device, e.g. /dev/ttyUSB0, /dev/ttyS0\n"
        "                 or a pseudo-terminal of kline-sim\n"
        "  --text         also print the reply as text (code page 866)\n"
        "  --dtr 0|1      1 clears the adapter's DTR line, 0 (default) sets it\n"
        "  --rts 0|1      1 clears the adapter's RTS line, 0 (default) sets it\n"
        "  --help         print this text and exit\n"
        "  --version      print the version and exit\n"
        "  B1 B2 ...      the request, command first, bytes in decimal or 0x hex\n"
        "\n"
        "The user needs read and write access to the device: membership of the\n"
        "dialout group. kline keeps no settings and writes no files.\n"
        "\n"
        "Exit status:\n"
        "  0    the ECU answered (also for --help / --version)\n"
        "  1-6  the link failed: 1 adapter error, 2 adapter not switched on, 3 ECU\n"
        "       not answering, 4 buffer overflow, 5 wrong checksum, 6 serial port error\n"
        "       (also when the device cannot be opened)\n"
        "  64   a wrong command line\n");
}

} // namespace kline
