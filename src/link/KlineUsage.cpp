#include "KlineUsage.h"

namespace kline {

QString klineUsage() {
    return QStringLiteral(
        "usage: kline send --device PATH [--text] [--dtr 0|1] [--rts 0|1] B1 B2 ...\n"
        "       kline log --device PATH --page N [--seconds S] [--csv FILE]\n"
        "                 [--dtr 0|1] [--rts 0|1]\n"
        "       kline --help | --version\n"
        "\n"
        "kline send sends one request to the ECU through a K-line adapter and prints\n"
        "the reply: \"result N\" (0 = success), the reply bytes and, with --text, the\n"
        "reply read as text.\n"
        "\n"
        "kline log polls one page of Kvintor's live panel and writes one CSV row per\n"
        "reply, the rows of Kvintor's \"Запись параметров в файл...\": the time, the\n"
        "page, the eight values as the panel shows them, the 16 mode flags (0/1) and\n"
        "the four cylinder markers, after a header row of the captions. It ends after\n"
        "S seconds, or on Ctrl+C or a termination signal, with every row whole.\n"
        "\n"
        "Options:\n"
        "  --device PATH  the adapter's serial device, e.g. /dev/ttyUSB0, /dev/ttyS0\n"
        "                 or a pseudo-terminal of kline-sim\n"
        "  --text         also print the reply as text (code page 866)\n"
        "  --dtr 0|1      1 clears the adapter's DTR line, 0 (default) sets it\n"
        "  --rts 0|1      1 clears the adapter's RTS line, 0 (default) sets it\n"
        "  --page N       the live page to poll, 1 to 4 (log)\n"
        "  --seconds S    stop after S seconds (log; default: until Ctrl+C)\n"
        "  --csv FILE     write the rows to FILE, UTF-8 with a byte-order mark\n"
        "                 (log; default: the standard output, without the mark)\n"
        "  --help         print this text and exit\n"
        "  --version      print the version and exit\n"
        "  B1 B2 ...      the request, command first, bytes in decimal or 0x hex\n"
        "\n"
        "The user needs read and write access to the device: membership of the\n"
        "dialout group. kline keeps no settings; only log writes a file, the one\n"
        "named by --csv.\n"
        "\n"
        "Exit status:\n"
        "  0    the ECU answered (also for --help / --version); log: it wrote rows\n"
        "  1-6  the link failed: 1 adapter error, 2 adapter not switched on, 3 ECU\n"
        "       not answering, 4 buffer overflow, 5 wrong checksum, 6 serial port error\n"
        "       (also when the device cannot be opened); log: no row, the last failure\n"
        "  64   a wrong command line\n"
        "  74   log: the CSV file cannot be written\n");
}

} // namespace kline
