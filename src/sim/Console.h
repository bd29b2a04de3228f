#pragma once
// kline-sim's commands, one a line, as typed on its standard input or sent
// by a test script: the car (engine, throttle, temperatures, a weak
// cylinder, the carburettor's mixture screw), the ECU's faults, and the
// error paths a real ECU or line can show (line faults, refused writes, a
// silent command, a chosen answer). Each command answers one line: "ok "
// and the command, "? " and the command when it is not understood, or what
// it was asked to print (get, stats, help).
#include "Adapter.h"
#include "Simulator.h"

#include <QString>
#include <functional>
#include <memory>
#include <optional>

namespace sim {

std::optional<LineFault> lineFaultFromName(const QString& name);

class Console {
  public:
    struct Hooks {
        // After the adapter's line fault changed (the terminal may go away).
        std::function<void(LineFault)> lineFaultChanged;
        std::function<void()> quit;
    };

    explicit Console(std::shared_ptr<Simulator> simulator, Hooks hooks = {});

    // Runs one command line and answers what to print.
    QString execute(const QString& line);
    // The list of commands.
    static QString help();

  private:
    bool run(const QStringList& words, const QString& line, QString* output);

    std::shared_ptr<Simulator> sim_;
    Hooks hooks_;
};

} // namespace sim
