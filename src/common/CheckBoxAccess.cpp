#include "CheckBoxAccess.h"

#include <QAccessibleWidget>
#include <QCheckBox>

namespace common {

namespace {

class CheckBoxAccess : public QAccessibleWidget {
  public:
    explicit CheckBoxAccess(QCheckBox* box) : QAccessibleWidget(box, QAccessible::CheckBox) {}

    QCheckBox* box() const { return static_cast<QCheckBox*>(widget()); }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && box()->accessibleName().isEmpty()) {
            QString name = box()->text();
            name.remove(QLatin1Char('&'));
            return name;
        }
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.checkable = true;
        s.checked = box()->checkState() == Qt::Checked;
        s.checkStateMixed = box()->checkState() == Qt::PartiallyChecked;
        return s;
    }

    QStringList actionNames() const override {
        return QStringList{toggleAction()} + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& action) override {
        if (action == toggleAction() || action == pressAction()) {
            if (box()->isEnabled()) box()->click();
            return;
        }
        QAccessibleWidget::doAction(action);
    }
};

QAccessibleInterface* checkBoxFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("QCheckBox") && object && object->isWidgetType())
        return new CheckBoxAccess(static_cast<QCheckBox*>(object));
    return nullptr;
}

} // namespace

void installCheckBoxAccess() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    QAccessible::installFactory(checkBoxFactory);
}

} // namespace common
