#pragma once

// Makes Enter (and the keypad's Enter) press a focused button, as Space does,
// for buttons that Qt leaves Enter alone on: tool buttons, and push buttons
// outside a dialog.

#include <QAbstractButton>
#include <QKeyEvent>
#include <QObject>

namespace vk {

class EnterPressesButton : public QObject {
public:
    using QObject::QObject;

    // Installs one filter, owned by parent, on every button given.
    template <typename... Buttons> static void InstallOn(QObject* parent, Buttons*... buttons) {
        auto* filter = new EnterPressesButton(parent);
        (buttons->installEventFilter(filter), ...);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress)
            return false;
        const int key = static_cast<QKeyEvent*>(event)->key();
        auto* button = qobject_cast<QAbstractButton*>(watched);
        if (button == nullptr || (key != Qt::Key_Return && key != Qt::Key_Enter))
            return false;
        if (button->isEnabled())
            button->click();
        return true;
    }
};

} // namespace vk
