#include "KlineSimUsage.h"

#include "Console.h"

namespace sim {

QString klineSimUsage() {
    return QStringLiteral(
               "usage: kline-sim [--headless] [--link PATH] [--image FILE]\n"
               "                 [--engine 4062|4063|carb] [--seed N] [--stopped] [--fault NAME]\n"
               "                 [--replay TRACE]\n"
               "       kline-sim --help | --version\n"
               "\n"
               "kline-sim is a simulated Mikas ECU and engine behind a K-line adapter, served\n"
               "on a pseudo-terminal at 9600 baud. The first line it prints is the terminal's\n"
               "device path; the programs open it as their serial port (--port 1=DEVICE).\n"
               "\n"
               "Options:\n"
               "  --headless       no control panel (no display needed)\n"
               "  --link PATH      a symbolic link to the terminal, kept up to date\n"
               "  --image FILE     the 65536-byte memory image that command 37 reads\n"
               "                   (default: an image generated from the seed)\n"
               "  --engine TYPE    4062 (injection ZMZ-4062, default), 4063 (ZMZ-4063)\n"
               "                   or carb (the carburettor engine)\n"
               "  --seed N         seed of the engine's noise, the adaptation tables and\n"
               "                   the image; the same seed gives the same run\n"
               "  --stopped        the engine is not running at start\n"
               "  --fault NAME     a line fault from the start: none, no-echo, wrong-echo,\n"
               "                   silent, bad-checksum, overlong, garbage, port-gone\n"
               "  --replay TRACE   answer from a trace saved by Kvintor's link monitor\n"
               "                   (\"Монитор линии\", \"Сохранить\"): each request gets the\n"
               "                   replies recorded for it in their order, the last one\n"
               "                   again and again, with the recorded failures (no reply,\n"
               "                   wrong checksum, overflow); a request not in the trace\n"
               "                   gets no reply\n"
               "  --help           print this text and exit\n"
               "  --version        print the version and exit\n"
               "\n"
               "Commands on standard input, one a line; each answers one line (\"ok\",\n"
               "\"?\" when not understood, or what it prints):\n") +
           Console::help() +
           QStringLiteral("\n"
                          "\n"
                          "kline-sim keeps no settings and writes no files (only the link).\n"
                          "\n"
                          "Exit status:\n"
                          "  0   ended by \"quit\", a signal or the panel, or --help / --version\n"
                          "  64  a wrong command line, an unreadable image or trace, no pseudo-terminal\n");
}

} // namespace sim
