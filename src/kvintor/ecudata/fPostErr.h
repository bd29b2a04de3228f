#pragma once
// The stored faults window: polls the ECU's fault list every 50 ms while it
// is open and shows each fault's code, whether it is present now, whether it
// occurred several times, and its text. "Сброс" clears the fault memory.
#include "FaultText.h"
#include "WindowParts.h"

class QPushButton;
class QTimer;

namespace kvintor {

class Program;

class fPostErr : public ecudata::ActivatedDialog {
    Q_OBJECT
  public:
    static constexpr int kPollMs = 50;
    // After a clear the list is read again this much later.
    static constexpr int kClearedReadMs = 500;

    fPostErr(Program& program, QWidget* owner);

    ecudata::MarkedList* ListView1;
    QPushButton* Command1; // "Сброс"
    QTimer* Timer1;

    // The window became active: polling starts afresh.
    void activated() override;
    // One poll (a tick of Timer1).
    void ReadStoredFaults();
    // "Сброс".
    void ClearStoredFaults();
    const std::vector<int>& LastFaultReply() const { return last_.last(); }
    // How often the list was rebuilt (it is only when the reply changes).
    int rebuilds() const { return rebuilds_; }

  signals:
    // The list now shows the faults of this reply.
    void faultsShown(const std::vector<int>& reply);

  protected:
    void hideEvent(QHideEvent* event) override;

  private:
    void showFaults(const std::vector<int>& reply);

    Program& p_;
    ecudata::FaultReplyTracker last_;
    bool pollFailed_ = false;
    int rebuilds_ = 0;
};

} // namespace kvintor
