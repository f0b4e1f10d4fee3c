#pragma once

// Helpers for tests that drive real Qt widgets on the offscreen platform.

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>
#include <functional>
#include <ostream>

// Readable QString values in test failure messages.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList& texts, std::ostream* out) {
    *out << '[' << texts.join(QStringLiteral(", ")).toStdString() << ']';
}

namespace vk::test {

// The one application object of a GUI test program, made on first use and
// kept until the process ends.
inline QApplication& QtTestApp() {
    static int argc = 1;
    static char name[] = "vk_gui_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

// Runs steps once the next modal loop has started, that is while a dialog is
// up in exec(). Whatever modal dialog is still open afterwards is rejected,
// so a failing test ends instead of waiting for a user.
inline void WhenModalShown(std::function<void(QDialog&)> steps) {
    QTimer::singleShot(0, [steps] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr)
            return;
        steps(*dialog);
        if (dialog->isVisible())
            dialog->reject();
    });
}

// Types text into a widget one key at a time, letters outside ASCII too
// (QTest::keyClicks handles ASCII only).
inline void TypeText(QWidget* widget, const QString& text) {
    for (const QChar character : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(character), Qt::NoModifier);
}

// Processes events until the condition holds or the time is up; the result
// is the condition's last value.
inline bool WaitUntil(const std::function<bool()>& condition, int milliseconds = 5000) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > milliseconds)
            return false;
        QTest::qWait(10);
    }
    return true;
}

} // namespace vk::test
