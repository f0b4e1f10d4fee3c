#include "ui/VisualStyle.h"

#include "ui/Resources.h"

#include <QApplication>
#include <QFile>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>

namespace vk {

namespace {

constexpr const char* StyleSheetResource = ":/style/veilkeep.qss";

QPalette BuiltInPalette() {
    QPalette palette;
    palette.setColor(QPalette::Window, QColor(0xf4, 0xf7, 0xfa));
    palette.setColor(QPalette::WindowText, QColor(0x1f, 0x2d, 0x3a));
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::AlternateBase, QColor(0xf6, 0xf9, 0xfc));
    palette.setColor(QPalette::Text, QColor(0x1f, 0x2d, 0x3a));
    palette.setColor(QPalette::Button, QColor(0xe9, 0xef, 0xf5));
    palette.setColor(QPalette::ButtonText, QColor(0x1f, 0x2d, 0x3a));
    palette.setColor(QPalette::Highlight, QColor(0x2f, 0x5d, 0x8a));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::ToolTipBase, QColor(0xff, 0xfd, 0xe8));
    palette.setColor(QPalette::ToolTipText, QColor(0x1f, 0x2d, 0x3a));
    palette.setColor(QPalette::Link, QColor(0x2f, 0x5d, 0x8a));
    const QColor greyText(0x8a, 0x96, 0xa3);
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, greyText);
    return palette;
}

} // namespace

bool ApplyBuiltInStyle(QApplication& application) {
    InitResources();
    QFile sheet(QString::fromUtf8(StyleSheetResource));
    if (!sheet.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    const QString rules = QString::fromUtf8(sheet.readAll());
    QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"));
    if (fusion == nullptr)
        return false;
    fusion->setObjectName(QString::fromUtf8(BuiltInStyleName));
    QApplication::setStyle(fusion);
    QApplication::setPalette(BuiltInPalette());
    application.setStyleSheet(rules);
    return true;
}

} // namespace vk
