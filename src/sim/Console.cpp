#include "Console.h"

#include <QStringList>
#include <cmath>
#include <cstdio>

namespace sim {

namespace {

// A whole number, decimal or with 0x in hexadecimal, within [low, high].
std::optional<int> number(const QString& text, int low, int high) {
    bool ok = false;
    const int v = text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)
                      ? text.mid(2).toInt(&ok, 16)
                      : text.toInt(&ok, 10);
    if (!ok || v < low || v > high) return std::nullopt;
    return v;
}

std::optional<double> real(const QString& text, double low, double high) {
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (!ok || !std::isfinite(v) || v < low || v > high) return std::nullopt;
    return v;
}

bool isTextVariable(int v) {
    return v >= 115 && v <= 123;
}
bool isTableVariable(int v) {
    return v >= 73 && v <= 76;
}

} // namespace

std::optional<LineFault> lineFaultFromName(const QString& name) {
    for (LineFault f : {LineFault::None, LineFault::NoEcho, LineFault::WrongEcho,
                        LineFault::EcuSilent, LineFault::BadChecksum, LineFault::OverlongReply,
                        LineFault::Garbage, LineFault::PortGone})
        if (name == QLatin1String(lineFaultName(f))) return f;
    return std::nullopt;
}

Console::Console(std::shared_ptr<Simulator> simulator, Hooks hooks)
    : sim_(std::move(simulator)), hooks_(std::move(hooks)) {}

QString Console::help() {
    return QStringLiteral(
        "commands:\n"
        "  start | stop | throttle PERCENT | engine 4062|4063|carb\n"
        "  coolant CELSIUS | air CELSIUS\n"
        "  weak-cylinder N [SHARE]      cylinder N does SHARE (0..1, default 0.5) of its work;\n"
        "                               N 0 makes all healthy\n"
        "  mixture-screw PERCENT        carburettor idle mixture, 0 rich .. 100 lean, 50 right\n"
        "  add-fault CODE [now] | end-fault CODE | clear-faults\n"
        "  fault none|no-echo|wrong-echo|silent|bad-checksum|overlong|garbage|port-gone\n"
        "  refuse STATUS [VARIABLE]     writes (98) and restart (65) answer STATUS; accept\n"
        "  silence COMMAND | unsilence COMMAND|all\n"
        "  set VARIABLE VALUE | unset VARIABLE|all\n"
        "  set-text VARIABLE TEXT | set-table VARIABLE BYTE [BYTE ...]\n"
        "  get VARIABLE | reset | stats | help | quit");
}

QString Console::execute(const QString& rawLine) {
    const QString line = rawLine.trimmed();
    const QStringList words = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.isEmpty()) return QString();
    QString output;
    bool done;
    {
        std::lock_guard<std::recursive_mutex> lock(sim_->mutex);
        done = run(words, line, &output);
    }
    if (!done) return QStringLiteral("? ") + line;
    // Outside the lock: these may stop or restart the terminal's thread.
    if (words[0] == QLatin1String("fault") && hooks_.lineFaultChanged)
        hooks_.lineFaultChanged(*lineFaultFromName(words[1]));
    if (words[0] == QLatin1String("quit") && hooks_.quit) hooks_.quit();
    return output.isNull() ? QStringLiteral("ok ") + line : output;
}

bool Console::run(const QStringList& w, const QString& line, QString* output) {
    Ecu& ecu = sim_->ecu;
    Engine& engine = ecu.engine();
    const QString& c = w[0];
    const int n = static_cast<int>(w.size());
    auto arg = [&](int i, int low, int high) {
        return i < n ? number(w[i], low, high) : std::nullopt;
    };

    if (c == QLatin1String("start") && n == 1) {
        engine.start();
    } else if (c == QLatin1String("stop") && n == 1) {
        engine.stop();
    } else if (c == QLatin1String("throttle") && n == 2) {
        const auto p = real(w[1], 0, 100);
        if (!p) return false;
        engine.setThrottle(*p);
    } else if (c == QLatin1String("engine") && n == 2) {
        if (w[1] == QLatin1String("4062"))
            ecu.setFuelling(Fuelling::Injection4062);
        else if (w[1] == QLatin1String("4063"))
            ecu.setFuelling(Fuelling::Injection4063);
        else if (w[1] == QLatin1String("carb"))
            ecu.setFuelling(Fuelling::Carburettor);
        else
            return false;
    } else if ((c == QLatin1String("coolant") || c == QLatin1String("air")) && n == 2) {
        const auto t = real(w[1], -40, 215);
        if (!t) return false;
        if (c == QLatin1String("coolant"))
            engine.setCoolant(*t);
        else
            engine.setAirTemp(*t);
    } else if (c == QLatin1String("weak-cylinder") && (n == 2 || n == 3)) {
        const auto cylinder = arg(1, 0, 4);
        const auto share = n == 3 ? real(w[2], 0, 1) : std::optional<double>(0.5);
        if (!cylinder || !share) return false;
        if (*cylinder == 0)
            engine.heal();
        else
            engine.setCylinderHealth(*cylinder, *share);
    } else if (c == QLatin1String("mixture-screw") && n == 2) {
        const auto p = real(w[1], 0, 100);
        if (!p) return false;
        engine.setMixtureScrew(*p);
    } else if (c == QLatin1String("add-fault") &&
               (n == 2 || (n == 3 && w[2] == QLatin1String("now")))) {
        const auto code = arg(1, 0, 255);
        if (!code) return false;
        ecu.addFault(*code, n == 3);
    } else if (c == QLatin1String("end-fault") && n == 2) {
        const auto code = arg(1, 0, 255);
        if (!code || !ecu.endFault(*code)) return false;
    } else if (c == QLatin1String("clear-faults") && n == 1) {
        ecu.faults().clear();
    } else if (c == QLatin1String("fault") && n == 2) {
        const auto f = lineFaultFromName(w[1]);
        if (!f) return false;
        sim_->adapter.setFault(*f);
    } else if (c == QLatin1String("refuse") && (n == 2 || n == 3)) {
        const auto status = arg(1, 1, 255);
        if (!status) return false;
        if (n == 2) {
            ecu.refuseAllWrites(*status);
        } else {
            const auto variable = arg(2, 0, 255);
            if (!variable) return false;
            ecu.refuseWrites(*variable, *status);
        }
    } else if (c == QLatin1String("accept") && n == 1) {
        ecu.acceptWrites();
    } else if (c == QLatin1String("silence") && n == 2) {
        const auto command = arg(1, 0, 255);
        if (!command) return false;
        ecu.silence(*command);
    } else if (c == QLatin1String("unsilence") && n == 2) {
        if (w[1] == QLatin1String("all")) {
            ecu.unsilenceAll();
        } else {
            const auto command = arg(1, 0, 255);
            if (!command) return false;
            ecu.unsilence(*command);
        }
    } else if (c == QLatin1String("set") && n == 3) {
        const auto variable = arg(1, 0, 255);
        const auto value = arg(2, 0, 65535);
        if (!variable || !value || isTextVariable(*variable) || isTableVariable(*variable))
            return false;
        ecu.setVariable(*variable, *value);
    } else if (c == QLatin1String("unset") && n == 2) {
        if (w[1] == QLatin1String("all")) {
            ecu.releaseAllVariables();
        } else {
            const auto variable = arg(1, 0, 255);
            if (!variable) return false;
            ecu.releaseVariable(*variable);
        }
    } else if (c == QLatin1String("set-text") && n >= 2) {
        const auto variable = arg(1, 115, 123);
        if (!variable) return false;
        // The rest of the line after the variable, spaces inside kept.
        const int at =
            static_cast<int>(line.indexOf(w[1], c.size())) + static_cast<int>(w[1].size());
        ecu.setText(*variable, line.mid(at).trimmed());
    } else if (c == QLatin1String("set-table") && n >= 3) {
        const auto variable = arg(1, 73, 76);
        if (!variable) return false;
        QByteArray bytes;
        for (int i = 2; i < n; ++i) {
            const auto b = arg(i, 0, 255);
            if (!b) return false;
            bytes.append(static_cast<char>(*b));
        }
        if (bytes.size() == 1)
            bytes = QByteArray(256, bytes[0]); // one value fills the table
        else
            bytes.append(ecu.table(*variable).mid(bytes.size()));
        ecu.setTable(*variable, bytes);
    } else if (c == QLatin1String("get") && n == 2) {
        const auto variable = arg(1, 0, 255);
        if (!variable) return false;
        QStringList values;
        if (isTextVariable(*variable)) {
            values << ecu.text(*variable);
        } else {
            for (char b : ecu.variableBytes(*variable))
                values << QString::number(static_cast<std::uint8_t>(b));
        }
        *output = QStringLiteral("%1 = %2").arg(*variable).arg(values.join(QLatin1Char(' ')));
    } else if (c == QLatin1String("reset") && n == 1) {
        ecu.resetState();
    } else if (c == QLatin1String("stats") && n == 1) {
        *output = QStringLiteral("requests %1 time %2 ms")
                      .arg(sim_->adapter.requestCount())
                      .arg(std::lround(sim_->now()));
    } else if (c == QLatin1String("help") && n == 1) {
        *output = help();
    } else if (c == QLatin1String("quit") && n == 1) {
        // Handled by the caller's hook.
    } else {
        return false;
    }
    return true;
}

} // namespace sim
