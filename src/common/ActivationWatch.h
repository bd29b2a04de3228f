#pragma once
// Tells a window why it became active. Closing a message box hands the
// activation back to the window below it; that is no switch from another
// window of the program, and a window that restarts its work on activation
// must not take it as one. The watch remembers which top-level window last
// lost the activation or was hidden, and whether it was a message box.
#include <QObject>

class QWidget;

namespace common {

class ActivationWatch : public QObject {
public:
    // The one watch of the application (installed on first use).
    static ActivationWatch& instance();

    // True when the window that last lost the activation was a message box
    // (the activation now comes from it closing). Each activation asks once:
    // the answer is used up.
    bool takeReturnFromMessageBox();

    static bool isMessageBox(const QWidget* window);
    // Marks a window that stands in for a message box (test doubles).
    static void markAsMessageBox(QWidget* window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ActivationWatch();
    bool lastWasBox_ = false;
};

} // namespace common
