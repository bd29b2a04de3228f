#pragma once
// Serves the simulator on a pseudo-terminal at real 9600-baud byte timing:
// the tool set opens the terminal's device path as its serial port.
#include "Simulator.h"

#include <QString>
#include <atomic>
#include <memory>
#include <thread>

namespace sim {

class PtyServer {
  public:
    explicit PtyServer(std::shared_ptr<Simulator> simulator);
    ~PtyServer();

    // Creates the terminal and starts serving; false with error filled.
    bool start(QString* error = nullptr);
    void stop();
    QString devicePath() const { return device_; }
    // A symbolic link that names the terminal (kept up to date).
    bool setLink(const QString& path, QString* error = nullptr);

    // The adapter unplugged: the terminal goes away. Plugging it back in
    // makes a new terminal (a new device path; the link follows).
    void unplug();
    bool plugIn(QString* error = nullptr);
    bool pluggedIn() const { return master_ >= 0; }

  private:
    bool openTerminal(QString* error);
    void closeTerminal();
    void serve();

    std::shared_ptr<Simulator> sim_;
    int master_ = -1;
    int slave_ = -1;
    QString device_;
    QString link_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
};

} // namespace sim
