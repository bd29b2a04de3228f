// kline-sim's commands fed arbitrary lines: each answers one line and the
// simulator keeps answering requests; nothing fails.
#include "sim/Console.h"
#include "sim/Simulator.h"

#include <QByteArrayList>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static auto simulator = std::make_shared<sim::Simulator>();
    sim::Console console(simulator);
    const QList<QByteArray> lines =
        QByteArray(reinterpret_cast<const char*>(data), static_cast<int>(size)).split('\n');
    for (const QByteArray& line : lines) {
        (void)console.execute(QString::fromUtf8(line));
        simulator->advance(20);
    }
    const std::uint8_t commands[] = {1, 2, 7, 81, 97};
    for (std::uint8_t command : commands)
        (void)simulator->ecu.handle({command, 8, 41, 117, 73});
    simulator->ecu.resetState();
    simulator->ecu.acceptWrites();
    return 0;
}
